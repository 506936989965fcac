// The two global hot keys, identified by global atoms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quistrel {

inline constexpr char16_t kDownKeyAtomName[] = u"Mallowquist_DownKey";
inline constexpr char16_t kUpKeyAtomName[] = u"Mallowquist_UpKey";
inline constexpr uint32_t kModWin = 8;
inline constexpr uint32_t kModAltWin = 9;
inline constexpr uint32_t kVirtualKeyC = 0x43;

// A 16-bit atom held as a signed 16-bit value and widened with its sign; string
// atoms (0xC000..0xFFFF) therefore become negative identifiers.
constexpr int32_t WidenAtom(uint16_t atom) { return static_cast<int32_t>(static_cast<int16_t>(atom)); }
constexpr uint16_t NarrowAtom(int32_t id) { return static_cast<uint16_t>(id); }

// The message shown when a combination is taken by another program.
std::u16string HotKeyFailureText(const std::u16string& keyName);

// The combinations the user is told of: those that failed to register,
// unless the keyboard hook holds both anyway.
std::vector<std::u16string> TakenKeysToReport(bool downRegistered, bool upRegistered, bool hookInstalled);

}  // namespace quistrel
