#include <windows.h>

#include <cstring>

#include "platform/ansi.h"
#include "platform/handles.h"
#include "shelllink/shell_link.h"
#include "shelllink/shell_link_layout.h"

namespace quistrel {
namespace {

constexpr DWORD kShortPathBufferSize = 256;
constexpr DWORD kVolumeLabelBufferSize = 255;

class Kernel32ShellLinkSystem final : public ShellLinkSystem {
 public:
  std::optional<std::string> ShortPathName(const std::string& path) override {
    std::string buffer(kShortPathBufferSize, '\0');
    DWORD length = GetShortPathNameA(path.c_str(), buffer.data(), kShortPathBufferSize);
    // A result larger than the buffer is the size the short form needs: deep
    // paths are asked for again with a buffer of that size.
    if (length >= kShortPathBufferSize) {
      buffer.assign(length + 1, '\0');
      length = GetShortPathNameA(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
      if (length >= buffer.size()) return std::nullopt;
    }
    if (length == 0) return std::nullopt;
    buffer.resize(length);
    return buffer;
  }

  uint32_t DriveType(const std::string& root) override { return GetDriveTypeA(root.c_str()); }

  uint32_t FileAttributes(const std::string& path) override { return GetFileAttributesA(path.c_str()); }

  std::optional<VolumeInformation> Volume(const std::string& root) override {
    char label[kVolumeLabelBufferSize + 1] = {};
    DWORD serialNumber = 0;
    if (!GetVolumeInformationA(root.c_str(), label, kVolumeLabelBufferSize, &serialNumber, nullptr, nullptr, nullptr,
                               0)) {
      return std::nullopt;
    }
    return VolumeInformation{std::string(label, strnlen(label, kVolumeLabelBufferSize)), serialNumber};
  }

  TargetFileFacts TargetFacts(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
    return TargetFileFacts{data.nFileSizeLow, (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                                  data.ftLastWriteTime.dwLowDateTime};
  }

  int64_t WriteBlockAt(const std::string& linkPath, std::string_view bytes, uint32_t offset) override {
    UniqueFile file(CreateFileA(linkPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                offset == 0 ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return -1;
    if (offset > 0) SetFilePointer(file.Get(), static_cast<LONG>(offset), nullptr, FILE_BEGIN);
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) written = 0;
    FlushFileBuffers(file.Get());
    return written;
  }
};

}  // namespace

bool WriteShellLink(std::u16string target, std::u16string linkPath, std::u16string arguments,
                    std::u16string workingDirectory, std::u16string iconLocation, int32_t iconIndex, uint32_t hotKey,
                    std::u16string description) {
  ShellLinkRequest request;
  request.target = std::move(target);
  request.linkPath = std::move(linkPath);
  request.arguments = std::move(arguments);
  request.workingDirectory = std::move(workingDirectory);
  request.iconLocation = std::move(iconLocation);
  request.iconIndex = iconIndex;
  request.hotKey = hotKey;
  request.description = std::move(description);
  Kernel32ShellLinkSystem system;
  return WriteShellLink(request, system, SystemAnsiCodePage());
}

std::unique_ptr<ShellLinkSystem> MakeKernel32ShellLinkSystem() { return std::make_unique<Kernel32ShellLinkSystem>(); }

}  // namespace quistrel
