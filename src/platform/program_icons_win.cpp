#include "platform/program_icons.h"

#include "platform/window.h"

namespace quistrel {

namespace {
constexpr int kIconResource = 1;

UniqueIcon LoadProgramIcon(HINSTANCE module, int size) {
  return UniqueIcon(
      static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}
}  // namespace

void ProgramIcons::Load(HINSTANCE module) {
  if (!module) module = AppInstance();
  small_ = LoadProgramIcon(module, 16);
  large_ = LoadProgramIcon(module, 48);
}

void ProgramIcons::BorrowMissingFrom(HWND window) {
  if (!Small()) borrowedSmall_ = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
  if (!Large()) borrowedLarge_ = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON));
}

void ProgramIcons::Reset() {
  small_.Reset();
  large_.Reset();
  borrowedSmall_ = nullptr;
  borrowedLarge_ = nullptr;
}

void ProgramIcons::SetWindowIcon(HWND window) const {
  SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(Small()));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Small()));
}

void ProgramIcons::DrawLarge(HDC dc, int x, int y) const {
  DrawIconEx(dc, x, y, Large(), 48, 48, 0, nullptr, DI_NORMAL);
}

}  // namespace quistrel
