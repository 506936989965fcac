#include "dialogs/version_info_win.h"

#include <cstdio>
#include <vector>

#include "platform/folders.h"
#include "platform/handles.h"
#include "platform/system_function.h"

namespace quistrel {

namespace {
// The string table the resource is written in, for a file whose translation
// list is missing.
constexpr wchar_t kFallbackStringBlock[] = L"041104B0";

// The version library, loaded at run time; without it there is no version
// resource to read.
struct VersionCalls {
  DWORD(WINAPI* getFileVersionInfoSize)
  (const wchar_t*, DWORD*) = SystemFunction<decltype(getFileVersionInfoSize)>(L"version.dll",
                                                                              "GetFileVersionInfoSizeW");
  BOOL(WINAPI* getFileVersionInfo)
  (const wchar_t*, DWORD, DWORD, void*) = SystemFunction<decltype(getFileVersionInfo)>(L"version.dll",
                                                                                       "GetFileVersionInfoW");
  BOOL(WINAPI* verQueryValue)
  (const void*, const wchar_t*, void**, UINT*) = SystemFunction<decltype(verQueryValue)>(L"version.dll",
                                                                                         "VerQueryValueW");
  bool Complete() const { return getFileVersionInfoSize && getFileVersionInfo && verQueryValue; }
};

const VersionCalls& Version() {
  static const VersionCalls calls;
  return calls;
}

std::u16string QueryString(std::vector<BYTE>& block, const std::wstring& table, const wchar_t* name) {
  const std::wstring path = L"\\StringFileInfo\\" + table + L"\\" + name;
  void* value = nullptr;
  UINT length = 0;
  if (!Version().verQueryValue(block.data(), path.c_str(), &value, &length) || !value || length == 0) return {};
  const auto* text = static_cast<const wchar_t*>(value);
  // The length counts the terminating NUL, and resource compilers differ in
  // whether they add one; the text ends at the first NUL either way.
  return FromWide(text, wcsnlen(text, length));
}

// The first string table the translation list names, or the one this
// program's resource uses.
std::wstring StringTable(std::vector<BYTE>& block) {
  struct Translation {
    WORD language;
    WORD codePage;
  };
  void* value = nullptr;
  UINT length = 0;
  if (Version().verQueryValue(block.data(), L"\\VarFileInfo\\Translation", &value, &length) && value &&
      length >= sizeof(Translation)) {
    const auto* first = static_cast<const Translation*>(value);
    wchar_t name[16];
    swprintf(name, 16, L"%04X%04X", first->language, first->codePage);
    return name;
  }
  return kFallbackStringBlock;
}
}  // namespace

VersionInfo ReadVersionInfo(const std::wstring& modulePath) {
  VersionInfo info;
  const std::wstring path = modulePath.empty() ? std::wstring(Wide(ExecutablePath())) : modulePath;
  const VersionCalls& calls = Version();
  if (!calls.Complete()) return info;
  DWORD ignored = 0;
  const DWORD size = calls.getFileVersionInfoSize(path.c_str(), &ignored);
  if (size == 0) return info;
  std::vector<BYTE> block(size);
  if (!calls.getFileVersionInfo(path.c_str(), 0, size, block.data())) return info;
  info.found = true;

  void* value = nullptr;
  UINT length = 0;
  if (calls.verQueryValue(block.data(), L"\\", &value, &length) && value && length >= sizeof(VS_FIXEDFILEINFO)) {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    info.version = VersionFromFileVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
  }
  std::wstring table = StringTable(block);
  if (QueryString(block, table, L"ProductName").empty()) table = kFallbackStringBlock;
  info.productName = QueryString(block, table, L"ProductName");
  info.legalCopyright = QueryString(block, table, L"LegalCopyright");
  info.comments = QueryString(block, table, L"Comments");
  return info;
}

}  // namespace quistrel
