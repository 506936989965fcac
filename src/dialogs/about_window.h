// frmAbout: the version-information window. Name, version, legal notice and
// description come from the executable's own version resource; two links
// lead to the maker's web page and mail address.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "dialogs/version_info_win.h"
#include "platform/form.h"
#include "platform/program_icons.h"

namespace quistrel {

inline constexpr wchar_t kAboutClassName[] = L"Mallowquist.frmAbout";

// Control identifiers, fixed so that tests and drivers can address them.
namespace about_ids {
constexpr int kCmdOK = IDOK;
constexpr int kLblVersion = 1401;
constexpr int kLblCopyright = 1402;
constexpr int kLblComment = 1403;
constexpr int kHomePageLabel = 1404;  // "公開HP", before the web page link
constexpr int kMailLabel = 1405;      // "作者へメール", before the mail link
constexpr int kLblURL = 1406;
constexpr int kLblEmail = 1407;
}  // namespace about_ids

// Drawn rather than made of controls (they overlap and the back ones show
// through): the icon, the rounded band behind the title and the two lblTitle labels. At 96 DPI, like
// every layout.
namespace about_layout {
constexpr POINT kIcon{15, 8};
constexpr RECT kTitleBand{80, 24, 80 + 201, 24 + 25};
constexpr RECT kTitleShadow{68, 17, 68 + 205, 17 + 25};  // lblTitle 0
constexpr RECT kTitle{65, 16, 65 + 213, 16 + 21};        // lblTitle 1
}  // namespace about_layout

class AboutWindow final : public Form {
 public:
  explicit AboutWindow(const ProgramIcons& icons) : icons_(icons) {}

  // owner nullptr: modeless without owner, and a further request brings the
  // open window forward. Otherwise modal, owned by `owner`; returns once closed.
  void Open(HWND owner);

  // Where the version resource is read from (the running executable when
  // empty) and how links are opened (ShellExecute when empty).
  void SetVersionSource(std::wstring modulePath) { versionSource_ = std::move(modulePath); }
  using LinkOpener = std::function<void(const std::u16string& target)>;
  void SetLinkOpener(LinkOpener opener) { openLink_ = std::move(opener); }

  const std::u16string& TitleText() const { return info_.productName; }

 protected:
  Frame Describe() const override;
  void OnLoad() override;
  void OnCommand(int id, int code, HWND control) override;
  int CancelButtonId() const override { return 0; }  // Esc does nothing here
  void OnPaint(HDC dc) override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void AddControls();
  void AddLink(int id, const std::u16string& text, int y, const std::wstring& tooltip);
  void DrawTitle(HDC dc);
  void OpenLink(int id) const;
  static LRESULT CALLBACK LinkProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR subclassId,
                                   DWORD_PTR self);
  void SetLinkPressed(HWND link, bool pressed);
  bool IsLinkPressed(HWND link) const;
  static void HandCursor();

  const ProgramIcons& icons_;
  std::wstring versionSource_;
  LinkOpener openLink_;
  VersionInfo info_;
  HWND pressedLink_ = nullptr;  // shown red while a button is held on it
  HWND armedLink_ = nullptr;    // pressed with the left button: a release over it is a click
};

}  // namespace quistrel
