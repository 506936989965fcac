#include "dialogs/text_input_dialog.h"

#include "dialogs/text_input.h"
#include "platform/ansi.h"
#include "platform/form.h"
#include "platform/message_box.h"

namespace quistrel {

namespace {

using namespace text_input_ids;

class TextInputDialog final : public Form {
 public:
  TextInputDialog(const ProgramIcons& icons, const std::u16string& initial) : icons_(icons), initial_(initial) {}

  const std::optional<std::u16string>& Result() const { return result_; }

 protected:
  Frame Describe() const override {
    Frame frame{kTextInputDialogClassName, L"Mallowquist - 固定文字入力", 333, 173};
    frame.centreOnOwner = true;
    frame.taskbarButton = false;
    return frame;
  }

  void OnLoad() override {
    ShowProgramIcon(icons_);
    HWND text =
        AddControl(L"Edit", L"", ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                   4, 4, 325, 129, kTxtFixedText, nullptr, WS_EX_CLIENTEDGE);
    // No limit below the system's own: a long fixed string loaded from the
    // file must stay editable as a whole.
    SendMessageW(text, EM_SETLIMITTEXT, 0, 0);
    SetTooltip(text, L"ここに、固定文字を入力して下さい。");
    HWND cancel = AddControl(L"Button", L"キャンセル", BS_PUSHBUTTON | WS_TABSTOP, 248, 136, 81, 33, kCmdCancel);
    SetTooltip(cancel, L"この画面を閉じます。");
    HWND ok = AddControl(L"Button", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 168, 136, 81, 33, kCmdOK);
    SetTooltip(ok, L"この画面を閉じて、固定文字を設定します。");
    SetTabOrder({text, cancel, ok});
    SetWindowTextW(text, Wide(initial_));
  }

  void OnCommand(int id, int code, HWND) override {
    if (code != BN_CLICKED) return;
    if (id == kCmdOK) {
      OnOk();
    } else if (id == kCmdCancel) {
      Unload();
    }
  }

 private:
  // What the dialog returns is what the file will hold: characters the code
  // page lacks are given up only when the user agrees, and then the list
  // shows at once what a restart would show.
  void OnOk() {
    StoredText stored = AsStored(FromWide(ItemText(kTxtFixedText)), SystemAnsiCodePage());
    if (!stored.lost.empty() && ShowMessageBox(Handle(), Wide(LostCharactersQuestion(stored.lost)),
                                               MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) != IDYES) {
      if (IsLoaded()) SetFocus(Item(kTxtFixedText));
      return;
    }
    if (!IsLoaded()) return;
    result_ = std::move(stored.text);
    Unload();
  }

  const ProgramIcons& icons_;
  const std::u16string& initial_;
  std::optional<std::u16string> result_;
};

}  // namespace

std::optional<std::u16string> AskFixedString(HWND owner, const ProgramIcons& icons, const std::u16string& initial) {
  TextInputDialog dialog(icons, initial);
  dialog.ShowModal(owner);
  return dialog.Result();
}

}  // namespace quistrel
