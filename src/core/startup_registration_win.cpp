#include "core/startup_registration.h"

#include "platform/handles.h"
#include "shelllink/shell_link.h"

namespace quistrel {
namespace {

struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};
using UniqueFind = UniqueHandle<FindTraits>;

constexpr DWORD kNotOrdinary = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

UINT MessageBoxFlags(const StartupBoxContent& content) {
  UINT flags = content.yesNo ? MB_YESNO : MB_OK;
  switch (content.icon) {
    case StartupBoxIcon::Question: return flags | MB_ICONQUESTION;
    case StartupBoxIcon::Information: return flags | MB_ICONINFORMATION;
    case StartupBoxIcon::Exclamation: break;
  }
  return flags | MB_ICONEXCLAMATION;
}

class WindowsStartupSystem final : public StartupSystem {
 public:
  explicit WindowsStartupSystem(HWND owner) : owner_(owner) {}

  bool OrdinaryFileExists(const std::u16string& path) override {
    WIN32_FIND_DATAW found;
    const UniqueFind search(FindFirstFileW(Wide(path), &found));
    if (!search) return false;
    bool ordinary = false;
    do {
      ordinary = (found.dwFileAttributes & kNotOrdinary) == 0;
    } while (!ordinary && FindNextFileW(search.Get(), &found));
    return ordinary;
  }

  bool WriteLink(const ShellLinkRequest& request) override {
    return WriteShellLink(request.target, request.linkPath, request.arguments, request.workingDirectory,
                          request.iconLocation, request.iconIndex, request.hotKey, request.description);
  }

  bool RemoveFile(const std::u16string& path) override { return DeleteFileW(Wide(path)) != 0; }

  bool ShowBox(StartupBox box) override {
    const StartupBoxContent& content = StartupBoxContentOf(box);
    const std::u16string text(content.text);
    const std::u16string caption(content.caption);
    return MessageBoxW(owner_, Wide(text), Wide(caption), MessageBoxFlags(content)) == IDYES;
  }

 private:
  HWND owner_;
};

}  // namespace

bool StartupLinkExists(const StartupFolders& folders) {
  WindowsStartupSystem system(nullptr);
  return StartupLinkExists(system, folders);
}

void RegisterStartup(HWND owner, const StartupFolders& folders) {
  WindowsStartupSystem system(owner);
  RegisterStartup(system, folders);
}

void UnregisterStartup(HWND owner, const StartupFolders& folders) {
  WindowsStartupSystem system(owner);
  UnregisterStartup(system, folders);
}

}  // namespace quistrel
