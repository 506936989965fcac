#include "platform/clipboard.h"

#include <cstring>

#include "platform/clipboard_block.h"
#include "platform/handles.h"

namespace quistrel {

namespace {
constexpr int kOpenAttempts = 8;
constexpr DWORD kOpenRetryDelayMs = 5;
}  // namespace

std::optional<OpenedClipboard> OpenedClipboard::Open(HWND owner) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    if (OpenClipboard(owner)) return OpenedClipboard();
    Sleep(kOpenRetryDelayMs);
  }
  return std::nullopt;
}

OpenedClipboard::~OpenedClipboard() {
  if (open_) CloseClipboard();
}

OpenedClipboard::OpenedClipboard(OpenedClipboard&& other) noexcept : open_(other.open_) { other.open_ = false; }

std::optional<std::u16string> ReadClipboardText(HWND owner) {
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return std::nullopt;
  auto clipboard = OpenedClipboard::Open(owner);
  if (!clipboard) return std::nullopt;
  return TextOfOpenClipboard();
}

std::optional<std::u16string> TextOfOpenClipboard() {
  HANDLE block = GetClipboardData(CF_UNICODETEXT);
  if (!block) return std::nullopt;
  const SIZE_T size = GlobalSize(block);
  if (size < sizeof(wchar_t)) return std::nullopt;
  const void* data = GlobalLock(block);
  if (!data) return std::nullopt;
  std::u16string text = TextFromClipboardBlock(data, size);
  GlobalUnlock(block);
  return text;
}

bool WriteClipboardText(HWND owner, std::u16string_view text) {
  const SIZE_T bytes = (text.size() + 1) * sizeof(char16_t);
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
  if (!memory) return false;
  void* data = GlobalLock(memory.Get());
  if (!data) return false;
  std::memcpy(data, text.data(), text.size() * sizeof(char16_t));
  static_cast<char16_t*>(data)[text.size()] = u'\0';
  GlobalUnlock(memory.Get());

  auto clipboard = OpenedClipboard::Open(owner);
  if (!clipboard) return false;
  EmptyClipboard();
  if (!SetClipboardData(CF_UNICODETEXT, memory.Get())) return false;
  memory.Release();  // the clipboard owns the block now
  return true;
}

}  // namespace quistrel
