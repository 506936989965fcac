// The shortcut file, laid out byte by byte in the ANSI form of the Windows
// shell-link format, from what the system reports about the target, its path
// and its volume. Nothing here touches the system itself: the questions go to
// a ShellLinkSystem, so the whole file can be built and checked anywhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ansi.h"

namespace quistrel {

// The writer's eight inputs, in the order the writer takes them.
struct ShellLinkRequest {
  std::u16string target;            // full long path of an existing file, from a drive root
  std::u16string linkPath;          // the shortcut file to write
  std::u16string arguments;         // empty for none
  std::u16string workingDirectory;  // empty for none
  std::u16string iconLocation;      // empty for none
  int32_t iconIndex = 0;
  uint32_t hotKey = 0;         // virtual-key code in the low 8 bits; 0 for none
  std::u16string description;  // empty for none
};

struct VolumeInformation {
  std::string label;  // ANSI bytes, without the terminating zero
  uint32_t serialNumber = 0;
};

struct TargetFileFacts {
  uint32_t size = 0;           // the low 32 bits of the size in bytes
  uint64_t lastWriteTime = 0;  // FILETIME: 100 ns units since 1601-01-01 UTC
};

inline constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
inline constexpr uint32_t kDirectoryAttribute = 0x10u;

// What the writer asks the operating system. Every path and text is in the
// system's ANSI code page, as the ANSI kernel32 calls take them.
class ShellLinkSystem {
 public:
  virtual ~ShellLinkSystem() = default;
  // The short form of an existing path, however long; nothing when the
  // system gives none (the path does not exist).
  virtual std::optional<std::string> ShortPathName(const std::string& path) = 0;
  virtual uint32_t DriveType(const std::string& root) = 0;
  // kInvalidFileAttributes when they cannot be read.
  virtual uint32_t FileAttributes(const std::string& path) = 0;
  // Nothing when the volume information cannot be read.
  virtual std::optional<VolumeInformation> Volume(const std::string& root) = 0;
  virtual TargetFileFacts TargetFacts(const std::string& path) = 0;
  // Opens the file (offset 0 creates it or cuts it to nothing, any other
  // offset opens it as it is), writes the bytes at the offset, flushes and
  // closes it. The number of bytes written, or -1 when it cannot be opened.
  virtual int64_t WriteBlockAt(const std::string& linkPath, std::string_view bytes, uint32_t offset) = 0;
};

// Splits off the text up to and including the first delimiter and returns it;
// the text keeps what follows. Without the delimiter the whole text is the
// head and the text becomes empty.
std::u16string CutHead(std::u16string& text, char16_t delimiter);

// One entry of the target's ID list: the drive first, then one per component.
struct PathItem {
  uint8_t type = 0;  // 0x23, 0x25 or 0x29 for the drive, 0x31 folder, 0x32 file
  std::string name;  // the drive root for the drive item, else empty
  uint32_t fileSize = 0;
  uint32_t date = 0;
  uint16_t attributes = 0;
  std::string longName;
  std::string shortName;
};

inline constexpr uint8_t kFolderItem = 0x31;
inline constexpr uint8_t kFileItem = 0x32;

// The drive item's type for a drive-type code.
uint8_t DriveItemType(uint32_t driveType);

// Size of the text plus its terminating zero byte.
std::size_t AnsiSize(std::string_view text);

std::size_t PathItemSize(const PathItem& item);
std::string SerializePathItem(const PathItem& item);

// The items for the target, drive first. The short form must be the one the
// system reported for the same target; the texts are UTF-16 so that a
// backslash is never confused with the second byte of a double-byte character.
// Each item keeps the low 16 bits of its component's attributes.
std::vector<PathItem> BuildPathItems(const std::u16string& target, const std::u16string& shortForm, uint32_t driveType,
                                     uint32_t targetSize, ShellLinkSystem& system, const AnsiCodePage& codePage);

// LinkFlags: 0x03 plus one bit for each non-empty optional text.
uint32_t LinkFlags(const ShellLinkRequest& request);
// Only the key's low 8 bits count, always with Ctrl and Alt.
uint16_t HotKeyField(uint32_t hotKey);

std::string BuildHeader(const ShellLinkRequest& request, uint32_t targetAttributes, const TargetFileFacts& facts);
std::string BuildVolumeId(uint32_t driveType, const std::optional<VolumeInformation>& volume);
// The first 28 bytes of LinkInfo, and what follows them.
std::string BuildLinkInfoHeader(std::size_t volumeIdSize, std::size_t targetAnsiSize);
std::string BuildLinkInfoBody(const std::string& volumeId, const std::string& ansiTarget);
// The optional texts, each as a byte count and its bytes, ending in the four
// zero bytes of the terminal block. Nothing when a text is longer than a
// count field holds.
std::optional<std::string> BuildStringData(const ShellLinkRequest& request, const AnsiCodePage& codePage);

// The file in the eight blocks it is written in, or nothing when no link can
// be made (no short form, a target that does not start at a drive root, a
// path the code page cannot hold, a text too long for its field).
std::optional<std::vector<std::string>> BuildShellLinkBlocks(const ShellLinkRequest& request, ShellLinkSystem& system,
                                                             const AnsiCodePage& codePage);

// Builds the link and writes it block by block. True only when every block
// was written whole; otherwise the file keeps the blocks written before the
// failing one (nothing at all when the target had no short form).
bool WriteShellLink(const ShellLinkRequest& request, ShellLinkSystem& system, const AnsiCodePage& codePage);

}  // namespace quistrel
