#include "platform/common_controls.h"

#include "platform/system_function.h"

namespace quistrel::common_controls {

namespace {
constexpr wchar_t kLibrary[] = L"comctl32.dll";

struct Calls {
  BOOL(WINAPI* initCommonControlsEx)
  (const INITCOMMONCONTROLSEX*) = SystemFunction<decltype(initCommonControlsEx)>(kLibrary, "InitCommonControlsEx");
  BOOL(WINAPI* setWindowSubclass)
  (HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR) = SystemFunction<decltype(setWindowSubclass)>(kLibrary,
                                                                                          "SetWindowSubclass");
  BOOL(WINAPI* removeWindowSubclass)
  (HWND, SUBCLASSPROC, UINT_PTR) = SystemFunction<decltype(removeWindowSubclass)>(kLibrary, "RemoveWindowSubclass");
  LRESULT(WINAPI* defSubclassProc)
  (HWND, UINT, WPARAM, LPARAM) = SystemFunction<decltype(defSubclassProc)>(kLibrary, "DefSubclassProc");
};

const Calls& Library() {
  static const Calls calls;
  return calls;
}
}  // namespace

bool InitCommonControlsEx(const INITCOMMONCONTROLSEX& controls) {
  return Library().initCommonControlsEx && Library().initCommonControlsEx(&controls);
}

bool SetWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id, DWORD_PTR data) {
  return Library().setWindowSubclass && Library().setWindowSubclass(window, procedure, id, data);
}

bool RemoveWindowSubclass(HWND window, SUBCLASSPROC procedure, UINT_PTR id) {
  return Library().removeWindowSubclass && Library().removeWindowSubclass(window, procedure, id);
}

LRESULT DefSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Library().defSubclassProc ? Library().defSubclassProc(window, message, wParam, lParam)
                                   : DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quistrel::common_controls
