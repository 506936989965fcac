// A message box that waits for its answer on a thread of its own: what the
// program says at its start may find nobody there (a start at log-on), and
// meanwhile the program's own message loop, and with it the tray icon, the
// hot keys and the selector, goes on as if the box were not there.
#pragma once

#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace quistrel {

class BackgroundMessageBox {
 public:
  BackgroundMessageBox() = default;
  ~BackgroundMessageBox() { Close(); }
  BackgroundMessageBox(const BackgroundMessageBox&) = delete;
  BackgroundMessageBox& operator=(const BackgroundMessageBox&) = delete;

  // Shows the box under the program's title, without an owner; a box this
  // object still shows goes first.
  void Show(std::u16string text, UINT flags);
  // Takes the box away, answered or not, and waits for its thread.
  void Close();

 private:
  UniqueKernelObject thread_;
  DWORD threadId_ = 0;
};

}  // namespace quistrel
