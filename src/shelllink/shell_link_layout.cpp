#include "shelllink/shell_link_layout.h"

#include <array>

namespace quistrel {
namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr std::array<uint8_t, 16> kLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// The ID-list entry of the shell's computer folder (My Computer).
constexpr std::array<uint8_t, 20> kComputerItem = {0x14, 0x00, 0x1F, 0x50, 0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A,
                                                   0x69, 0x10, 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

constexpr uint32_t kHasLinkTargetIdListAndLinkInfo = 0x03;
constexpr uint32_t kHasName = 0x04;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kHasIconLocation = 0x40;
constexpr uint32_t kShowNormal = 1;
constexpr uint16_t kCtrlAlt = 0x0600;

constexpr uint32_t kLinkInfoHeaderSize = 28;
constexpr uint32_t kVolumeIdAndLocalBasePath = 1;
constexpr uint32_t kVolumeIdHeaderSize = 16;
constexpr uint32_t kUnreadableSerialNumber = 0xFFFFFFFFu;

// The signed 16-bit size and count fields.
constexpr std::size_t kLargestShortField = 0x7FFF;

constexpr uint32_t kRemovableDrive = 2;
constexpr uint32_t kCdRomDrive = 5;

void PutU16(std::string& out, uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void PutU32(std::string& out, uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

void PutU64(std::string& out, uint64_t value) {
  PutU32(out, static_cast<uint32_t>(value));
  PutU32(out, static_cast<uint32_t>(value >> 32));
}

void PutText(std::string& out, std::string_view text) {
  out.append(text);
  out.push_back('\0');
}

template <std::size_t N>
void PutBytes(std::string& out, const std::array<uint8_t, N>& bytes) {
  for (uint8_t byte : bytes) out.push_back(static_cast<char>(byte));
}

bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

bool StartsAtDriveRoot(const std::u16string& path) {
  return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == u':' && path[2] == u'\\';
}

// A path that the code page changes (a character it lacks, or one it maps to a
// look-alike such as the yen sign to a backslash) would name another file.
bool SurvivesCodePage(const std::u16string& text, const AnsiCodePage& codePage) {
  return codePage.FromAnsi(codePage.ToAnsi(text)) == text;
}

void DropTrailingBackslash(std::u16string& text) {
  if (!text.empty() && text.back() == u'\\') text.pop_back();
}

PathItem DriveItem(const std::string& root, uint32_t driveType) {
  PathItem item;
  item.type = DriveItemType(driveType);
  item.name = root;
  item.longName = std::string(3, '\0');
  item.shortName = std::string(3, '\0');
  return item;
}

std::string SerializeIdList(const std::vector<PathItem>& items) {
  std::string bytes;
  for (const PathItem& item : items) bytes += SerializePathItem(item);
  return bytes;
}

bool FitsShortField(std::size_t value) { return value <= kLargestShortField; }

}  // namespace

std::u16string CutHead(std::u16string& text, char16_t delimiter) {
  const std::size_t at = text.find(delimiter);
  std::u16string head;
  if (at == std::u16string::npos) {
    head.swap(text);
  } else {
    head = text.substr(0, at + 1);
    text.erase(0, at + 1);
  }
  return head;
}

uint8_t DriveItemType(uint32_t driveType) {
  switch (driveType) {
    case kRemovableDrive: return 0x29;
    case kCdRomDrive: return 0x25;
    default: return 0x23;
  }
}

std::size_t AnsiSize(std::string_view text) { return text.size() + 1; }

std::size_t PathItemSize(const PathItem& item) {
  return 13 + AnsiSize(item.name) + AnsiSize(item.longName) + AnsiSize(item.shortName);
}

std::string SerializePathItem(const PathItem& item) {
  std::string out;
  PutU16(out, static_cast<uint32_t>(PathItemSize(item)));
  out.push_back(static_cast<char>(item.type));
  PutText(out, item.name);
  PutU32(out, item.fileSize);
  PutU32(out, item.date);
  PutU16(out, item.attributes);
  PutText(out, item.longName);
  PutText(out, item.shortName);
  return out;
}

std::vector<PathItem> BuildPathItems(const std::u16string& target, const std::u16string& shortForm, uint32_t driveType,
                                     uint32_t targetSize, ShellLinkSystem& system, const AnsiCodePage& codePage) {
  std::u16string longRest = target;
  std::u16string shortRest = shortForm;
  const std::u16string root = CutHead(longRest, u'\\');
  CutHead(shortRest, u'\\');

  std::vector<PathItem> items;
  items.push_back(DriveItem(codePage.ToAnsi(root), driveType));

  std::u16string runningPath = root;
  while (!longRest.empty()) {
    std::u16string longName = CutHead(longRest, u'\\');
    std::u16string shortName = CutHead(shortRest, u'\\');
    if (longName.back() == u'\\') {
      longName.pop_back();
      // A short form that disagrees with the long one must not lose a
      // character of its own name.
      DropTrailingBackslash(shortName);
    }
    runningPath += longName;
    const uint32_t attributes = system.FileAttributes(codePage.ToAnsi(runningPath));

    // The field is informational and holds the low 16 bits, as the shell's
    // own writer stores them: bits above (OneDrive's pinned 0x80000 and
    // online-only 0x40000) are common and must not cost the link. A failed
    // query (all bits set) is stored as 0xFFFF, a folder.
    PathItem item;
    item.attributes = static_cast<uint16_t>(attributes & 0xFFFF);
    if (attributes & kDirectoryAttribute) {
      item.type = kFolderItem;
    } else {
      item.type = kFileItem;
      item.fileSize = targetSize;
    }
    item.longName = codePage.ToAnsi(longName);
    item.shortName = codePage.ToAnsi(shortName);
    items.push_back(std::move(item));
    runningPath += u'\\';
  }
  return items;
}

uint32_t LinkFlags(const ShellLinkRequest& request) {
  uint32_t flags = kHasLinkTargetIdListAndLinkInfo;
  if (!request.description.empty()) flags |= kHasName;
  if (!request.workingDirectory.empty()) flags |= kHasWorkingDir;
  if (!request.arguments.empty()) flags |= kHasArguments;
  if (!request.iconLocation.empty()) flags |= kHasIconLocation;
  return flags;
}

uint16_t HotKeyField(uint32_t hotKey) {
  const uint16_t key = static_cast<uint16_t>(hotKey & 0xFF);
  return key == 0 ? 0 : static_cast<uint16_t>(key | kCtrlAlt);
}

std::string BuildHeader(const ShellLinkRequest& request, uint32_t targetAttributes, const TargetFileFacts& facts) {
  std::string out;
  PutU32(out, kHeaderSize);
  PutBytes(out, kLinkClsid);
  PutU32(out, LinkFlags(request));
  PutU32(out, targetAttributes);
  // The last write time stands for all three times.
  PutU64(out, facts.lastWriteTime);
  PutU64(out, facts.lastWriteTime);
  PutU64(out, facts.lastWriteTime);
  PutU32(out, facts.size);
  PutU32(out, static_cast<uint32_t>(request.iconIndex));
  PutU32(out, kShowNormal);
  PutU16(out, HotKeyField(request.hotKey));
  PutU16(out, 0);
  PutU32(out, 0);
  PutU32(out, 0);
  return out;
}

std::string BuildVolumeId(uint32_t driveType, const std::optional<VolumeInformation>& volume) {
  const std::string label = volume ? volume->label : std::string();
  std::string out;
  PutU32(out, static_cast<uint32_t>(kVolumeIdHeaderSize + AnsiSize(label)));
  PutU32(out, driveType);
  PutU32(out, volume ? volume->serialNumber : kUnreadableSerialNumber);
  PutU32(out, kVolumeIdHeaderSize);
  PutText(out, label);
  return out;
}

std::string BuildLinkInfoHeader(std::size_t volumeIdSize, std::size_t targetAnsiSize) {
  const uint32_t localBasePathOffset = static_cast<uint32_t>(kLinkInfoHeaderSize + volumeIdSize);
  const uint32_t linkInfoSize = static_cast<uint32_t>(localBasePathOffset + targetAnsiSize + 1);
  std::string out;
  PutU32(out, linkInfoSize);
  PutU32(out, kLinkInfoHeaderSize);
  PutU32(out, kVolumeIdAndLocalBasePath);
  PutU32(out, kLinkInfoHeaderSize);
  PutU32(out, localBasePathOffset);
  PutU32(out, 0);
  PutU32(out, linkInfoSize - 1);
  return out;
}

std::string BuildLinkInfoBody(const std::string& volumeId, const std::string& ansiTarget) {
  std::string out = volumeId;
  PutText(out, ansiTarget);
  out.push_back('\0');  // the empty common path suffix
  return out;
}

std::optional<std::string> BuildStringData(const ShellLinkRequest& request, const AnsiCodePage& codePage) {
  std::string out;
  for (const std::u16string* text :
       {&request.description, &request.workingDirectory, &request.arguments, &request.iconLocation}) {
    if (text->empty()) continue;
    const std::string bytes = codePage.ToAnsi(*text);
    if (!FitsShortField(bytes.size())) return std::nullopt;
    PutU16(out, static_cast<uint32_t>(bytes.size()));
    out += bytes;
  }
  PutU32(out, 0);  // the terminal block
  return out;
}

std::optional<std::vector<std::string>> BuildShellLinkBlocks(const ShellLinkRequest& request, ShellLinkSystem& system,
                                                             const AnsiCodePage& codePage) {
  if (!StartsAtDriveRoot(request.target) || !SurvivesCodePage(request.target, codePage)) return std::nullopt;
  const std::string ansiTarget = codePage.ToAnsi(request.target);
  const std::optional<std::string> ansiShortForm = system.ShortPathName(ansiTarget);
  if (!ansiShortForm) return std::nullopt;

  const std::string root = codePage.ToAnsi(request.target.substr(0, 3));
  const uint32_t driveType = system.DriveType(root);
  const TargetFileFacts facts = system.TargetFacts(ansiTarget);
  const std::vector<PathItem> items =
      BuildPathItems(request.target, codePage.FromAnsi(*ansiShortForm), driveType, facts.size, system, codePage);
  const std::string pathItems = SerializeIdList(items);
  const std::size_t idListSize = kComputerItem.size() + pathItems.size() + 2;
  for (const PathItem& item : items) {
    if (!FitsShortField(PathItemSize(item))) return std::nullopt;
  }
  if (!FitsShortField(idListSize)) return std::nullopt;

  const std::string header = BuildHeader(request, system.FileAttributes(ansiTarget), facts);
  const std::string volumeId = BuildVolumeId(driveType, system.Volume(root));
  const std::optional<std::string> stringData = BuildStringData(request, codePage);
  if (!stringData) return std::nullopt;

  std::string idListSizeField;
  PutU16(idListSizeField, static_cast<uint32_t>(idListSize));
  std::string computerItem;
  PutBytes(computerItem, kComputerItem);
  std::string terminalId;
  PutU16(terminalId, 0);

  return std::vector<std::string>{
      header,
      idListSizeField,
      computerItem,
      pathItems,
      terminalId,
      BuildLinkInfoHeader(volumeId.size(), AnsiSize(ansiTarget)),
      BuildLinkInfoBody(volumeId, ansiTarget),
      *stringData,
  };
}

bool WriteShellLink(const ShellLinkRequest& request, ShellLinkSystem& system, const AnsiCodePage& codePage) {
  if (request.linkPath.empty() || !SurvivesCodePage(request.linkPath, codePage)) return false;
  const std::optional<std::vector<std::string>> blocks = BuildShellLinkBlocks(request, system, codePage);
  if (!blocks) return false;

  const std::string linkPath = codePage.ToAnsi(request.linkPath);
  uint32_t offset = 0;
  for (const std::string& block : *blocks) {
    const int64_t written = system.WriteBlockAt(linkPath, block, offset);
    // A block cut short would leave the following ones at the wrong offsets:
    // that file is no shortcut, so it is a failure like a refused write.
    if (written <= 0 || static_cast<uint64_t>(written) < block.size()) return false;
    offset += static_cast<uint32_t>(written);
  }
  return true;
}

}  // namespace quistrel
