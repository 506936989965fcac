#include <windows.h>

#include <climits>

#include "platform/ansi.h"

namespace quistrel {
namespace {

class WindowsAnsiCodePage final : public AnsiCodePage {
 public:
  std::string ToAnsi(std::u16string_view text) const override {
    if (text.empty() || text.size() > INT_MAX / 2) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, length, bytes.data(), needed, nullptr, nullptr);
    return bytes;
  }

  std::u16string FromAnsi(std::string_view bytes) const override {
    if (bytes.empty() || bytes.size() > INT_MAX) return {};
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::u16string text(static_cast<std::size_t>(needed), u'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(text.data()), needed);
    return text;
  }
};

}  // namespace

const AnsiCodePage& SystemAnsiCodePage() {
  static const WindowsAnsiCodePage codePage;
  return codePage;
}

}  // namespace quistrel
