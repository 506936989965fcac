#include "platform/list_accessibility.h"

#include <oleacc.h>

#include "platform/common_controls.h"
#include "platform/handles.h"
#include "platform/system_function.h"

namespace quistrel {

namespace {
// The line a child id stands for (child ids count lines from 1), or -1 for
// the list itself.
constexpr int kSelf = -1;

// Active Accessibility (oleacc), loaded at run time; without it the list
// answers as a plain list box.
struct AccessibilityCalls {
  HRESULT(WINAPI* createStdAccessibleObject)
  (HWND, LONG, REFIID, void**) = SystemFunction<decltype(createStdAccessibleObject)>(L"oleacc.dll",
                                                                                     "CreateStdAccessibleObject");
  LRESULT(WINAPI* lresultFromObject)
  (REFIID, WPARAM, IUnknown*) = SystemFunction<decltype(lresultFromObject)>(L"oleacc.dll", "LresultFromObject");
};

const AccessibilityCalls& Accessibility() {
  static const AccessibilityCalls calls;
  return calls;
}
}  // namespace

// The list box's own object as the system makes it, with the lines added as
// simple children: name, role, state, place, focus and selection.
class LinesAccessible final : public IAccessible {
 public:
  LinesAccessible(HWND list, IAccessible* base, const ListAccessibility::LineText& lineText)
      : list_(list), base_(base), lineText_(&lineText) {}

  void Disconnect() {
    list_ = nullptr;
    lineText_ = nullptr;
    if (base_) base_->Release();
    base_ = nullptr;
    if (typeInfo_) typeInfo_->Release();
    typeInfo_ = nullptr;
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      Disconnect();
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  // IDispatch, from the accessibility type library.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = TypeInfo() ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = index == 0 ? TypeInfo() : nullptr;
    if (!*info) return DISP_E_BADINDEX;
    (*info)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return TypeInfo() ? DispGetIDsOfNames(TypeInfo(), names, count, ids) : E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* exception, UINT* argumentError) override {
    return TypeInfo() ? DispInvoke(static_cast<IAccessible*>(this), TypeInfo(), id, flags, params, result, exception,
                                   argumentError)
                      : E_NOTIMPL;
  }

  // IAccessible: the lines.
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    if (!list_) return CO_E_OBJNOTCONNECTED;
    *count = static_cast<long>(LineCount());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!list_) return CO_E_OBJNOTCONNECTED;
    // The lines are simple elements, answered by this object.
    return LineOf(child) >= 0 ? S_FALSE : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    const int line = LineOf(child);
    if (line == kSelf || !name) return base_ ? base_->get_accName(child, name) : CO_E_OBJNOTCONNECTED;
    if (line < 0) return E_INVALIDARG;
    const std::u16string text = (*lineText_)(line);
    *name = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
    return *name ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    const int line = LineOf(child);
    if (line == kSelf || !role) return base_ ? base_->get_accRole(child, role) : CO_E_OBJNOTCONNECTED;
    if (line < 0) return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_LISTITEM;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    const int line = LineOf(child);
    if (line == kSelf || !state) return base_ ? base_->get_accState(child, state) : CO_E_OBJNOTCONNECTED;
    if (line < 0) return E_INVALIDARG;
    long flags = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    if (line == Selected()) flags |= STATE_SYSTEM_SELECTED | (GetFocus() == list_ ? STATE_SYSTEM_FOCUSED : 0);
    RECT item{}, client{}, shown{};
    SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&item));
    GetClientRect(list_, &client);
    if (!IntersectRect(&shown, &item, &client)) flags |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
    state->vt = VT_I4;
    state->lVal = flags;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    const int line = LineOf(child);
    if (line == kSelf || !left || !top || !width || !height) {
      return base_ ? base_->accLocation(left, top, width, height, child) : CO_E_OBJNOTCONNECTED;
    }
    if (line < 0) return E_INVALIDARG;
    RECT item{};
    SendMessageW(list_, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&item));
    MapWindowPoints(list_, HWND_DESKTOP, reinterpret_cast<POINT*>(&item), 2);
    *left = item.left;
    *top = item.top;
    *width = item.right - item.left;
    *height = item.bottom - item.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    if (!list_) return CO_E_OBJNOTCONNECTED;
    if (GetFocus() != list_ || Selected() < 0) return base_->get_accFocus(focus);
    focus->vt = VT_I4;
    focus->lVal = Selected() + 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    if (!list_) return CO_E_OBJNOTCONNECTED;
    VariantInit(selection);
    if (Selected() < 0) return S_FALSE;
    selection->vt = VT_I4;
    selection->lVal = Selected() + 1;
    return S_OK;
  }

  // IAccessible: the rest is the list's own, from the system's object.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return base_ ? base_->get_accParent(parent) : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return base_ ? base_->get_accValue(child, value) : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return base_ ? base_->get_accDescription(child, description) : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return base_ ? base_->get_accHelp(child, help) : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return base_ ? base_->get_accHelpTopic(file, child, topic) : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return base_ ? base_->get_accKeyboardShortcut(child, shortcut) : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return base_ ? base_->get_accDefaultAction(child, action) : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return base_ ? base_->accSelect(flags, child) : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return base_ ? base_->accNavigate(direction, start, end) : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    return base_ ? base_->accHitTest(x, y, child) : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return base_ ? base_->accDoDefaultAction(child) : CO_E_OBJNOTCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~LinesAccessible() = default;

  LRESULT LineCount() const {
    const LRESULT count = SendMessageW(list_, LB_GETCOUNT, 0, 0);
    return count > 0 ? count : 0;
  }
  int Selected() const { return static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0)); }

  // kSelf for the list itself, the line for a valid child id, else -2; -2
  // too once the list is gone.
  int LineOf(const VARIANT& child) const {
    if (!list_) return -2;
    if (child.vt != VT_I4) return -2;
    if (child.lVal == CHILDID_SELF) return kSelf;
    return child.lVal >= 1 && child.lVal <= LineCount() ? static_cast<int>(child.lVal - 1) : -2;
  }

  ITypeInfo* TypeInfo() {
    if (!typeInfo_ && list_) {
      ITypeLib* library = nullptr;
      if (SUCCEEDED(LoadRegTypeLib(LIBID_Accessibility, 1, 1, 0, &library))) {
        library->GetTypeInfoOfGuid(IID_IAccessible, &typeInfo_);
        library->Release();
      }
    }
    return typeInfo_;
  }

  LONG references_ = 1;
  HWND list_;
  IAccessible* base_;
  const ListAccessibility::LineText* lineText_;
  ITypeInfo* typeInfo_ = nullptr;
};

void ListAccessibility::Attach(HWND list, LineText lineText) {
  Detach();
  list_ = list;
  lineText_ = std::move(lineText);
  common_controls::SetWindowSubclass(list_, &ListAccessibility::ListProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

void ListAccessibility::Detach() {
  if (object_) {
    object_->Disconnect();
    CoDisconnectObject(static_cast<IAccessible*>(object_), 0);
    object_->Release();
    object_ = nullptr;
  }
  if (list_) common_controls::RemoveWindowSubclass(list_, &ListAccessibility::ListProc, 0);
  list_ = nullptr;
  if (comStarted_) CoUninitialize();
  comStarted_ = false;
}

LRESULT ListAccessibility::AnswerGetObject(WPARAM wParam) {
  const AccessibilityCalls& calls = Accessibility();
  if (!calls.createStdAccessibleObject || !calls.lresultFromObject) return 0;
  if (!object_) {
    // The object is handed to the screen reader's process through COM.
    if (!comStarted_) comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    IAccessible* base = nullptr;
    if (FAILED(
            calls.createStdAccessibleObject(list_, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&base)))) {
      return 0;
    }
    object_ = new LinesAccessible(list_, base, lineText_);
  }
  return calls.lresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(object_));
}

LRESULT CALLBACK ListAccessibility::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR selfData) {
  auto* self = reinterpret_cast<ListAccessibility*>(selfData);
  if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) return self->AnswerGetObject(wParam);
  if (message == WM_NCDESTROY) self->Detach();
  return common_controls::DefSubclassProc(list, message, wParam, lParam);
}

}  // namespace quistrel
