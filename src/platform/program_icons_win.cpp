#include "platform/program_icons.h"

#include "platform/display.h"
#include "platform/dpi.h"
#include "platform/window.h"

namespace quistrel {

namespace {
constexpr int kIconResource = 1;
constexpr int kPausedIconResource = 2;
constexpr int kSmallSize = 16;  // at 96 DPI
constexpr int kLargeSize = 48;

UniqueIcon LoadProgramIcon(HINSTANCE module, int size, int resource = kIconResource) {
  return UniqueIcon(
      static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

int SizeAt(int size, UINT dpi) { return ScaleForDpi(size, static_cast<int>(dpi)); }
}  // namespace

void ProgramIcons::Load(HINSTANCE module) {
  module_ = module ? module : AppInstance();
  otherSizes_.clear();
  const UINT dpi = SystemDpi();
  small_ = LoadProgramIcon(module_, SizeAt(kSmallSize, dpi));
  large_ = LoadProgramIcon(module_, SizeAt(kLargeSize, dpi));
  smallPaused_ = LoadProgramIcon(module_, SizeAt(kSmallSize, dpi), kPausedIconResource);
}

void ProgramIcons::BorrowMissingFrom(HWND window) {
  if (!Small()) borrowedSmall_ = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
  if (!Large()) borrowedLarge_ = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON));
}

void ProgramIcons::Reset() {
  module_ = nullptr;
  small_.Reset();
  large_.Reset();
  smallPaused_.Reset();
  otherSizes_.clear();
  borrowedSmall_ = nullptr;
  borrowedLarge_ = nullptr;
}

HICON ProgramIcons::AtSize(int size, HICON fallback) const {
  for (const auto& [loadedSize, icon] : otherSizes_) {
    if (loadedSize == size) return icon ? icon.Get() : fallback;
  }
  if (!module_) return fallback;
  otherSizes_.emplace_back(size, LoadProgramIcon(module_, size));
  return otherSizes_.back().second ? otherSizes_.back().second.Get() : fallback;
}

void ProgramIcons::SetWindowIcon(HWND window, UINT dpi) const {
  const UINT system = SystemDpi();
  HICON icon = dpi == system ? Small() : AtSize(SizeAt(kSmallSize, dpi), Small());
  SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void ProgramIcons::DrawLarge(HDC dc, int x, int y, UINT dpi) const {
  const int size = SizeAt(kLargeSize, dpi);
  HICON icon = dpi == SystemDpi() ? Large() : AtSize(size, Large());
  DrawIconEx(dc, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
}

}  // namespace quistrel
