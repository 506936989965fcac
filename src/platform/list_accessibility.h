// Accessible names for the lines of an owner-drawn list box that holds no
// strings (LBS_NODATA): the list answers WM_GETOBJECT with an accessible
// object of its own, which asks for each line's text only when a screen
// reader reads it, so the list stays free of copies.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace quistrel {

class LinesAccessible;

class ListAccessibility {
 public:
  // The text of a line (0-based) as the list shows it.
  using LineText = std::function<std::u16string(int line)>;

  ListAccessibility() = default;
  ~ListAccessibility() { Detach(); }
  ListAccessibility(const ListAccessibility&) = delete;
  ListAccessibility& operator=(const ListAccessibility&) = delete;

  void Attach(HWND list, LineText lineText);
  // Cuts off every screen reader that still holds the object.
  void Detach();

 private:
  static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
  LRESULT AnswerGetObject(WPARAM wParam);

  HWND list_ = nullptr;
  LineText lineText_;
  LinesAccessible* object_ = nullptr;
  bool comStarted_ = false;
};

}  // namespace quistrel
