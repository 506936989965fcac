// Writes a Windows shortcut file for an existing file, without the shell's
// own link object: the target, its path and its volume are inspected with the
// ANSI kernel32 calls and the file is written block by block.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace quistrel {

// True when the whole file was written. False when the target has no short
// form (it does not exist; nothing is created or changed), when linkPath
// cannot be created (nothing is written), or when a later block fails (the
// file keeps the blocks before it). Shows no message. Texts are taken by value.
bool WriteShellLink(std::u16string target, std::u16string linkPath, std::u16string arguments,
                    std::u16string workingDirectory, std::u16string iconLocation, int32_t iconIndex, uint32_t hotKey,
                    std::u16string description);

class ShellLinkSystem;
// The answers WriteShellLink builds the file from: the ANSI kernel32 calls.
std::unique_ptr<ShellLinkSystem> MakeKernel32ShellLinkSystem();

}  // namespace quistrel
