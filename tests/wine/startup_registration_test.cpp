// The start-up button's routines with real files and real message boxes,
// which a second thread reads and answers as the user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <deque>
#include <thread>
#include <vector>

#include "core/program_state.h"
#include "core/startup_registration.h"
#include "platform/ansi.h"
#include "wine_test_util.h"

namespace quistrel {
namespace {

using testing::Exists;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

enum class Icon { None, Question, Information, Exclamation };

struct SeenBox {
  std::wstring caption;
  std::wstring text;
  bool yesNo = false;  // Yes and No buttons, and no OK
  bool okOnly = false;
  Icon icon = Icon::None;

  friend bool operator==(const SeenBox&, const SeenBox&) = default;
};

std::ostream& operator<<(std::ostream& out, const SeenBox& box) {
  auto narrow = [](const std::wstring& text) {
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(strlen(utf8.c_str()));
    return utf8;
  };
  return out << "[" << narrow(box.caption) << "] " << narrow(box.text) << (box.yesNo ? " yes/no" : "")
             << (box.okOnly ? " ok" : "") << " icon " << static_cast<int>(box.icon);
}

const SeenBox kAskRegister{L"スタートアップ", L"スタートアップに登録されていません。\r\n登録しますか？", true, false,
                           Icon::Question};
const SeenBox kAskUnregister{L"スタートアップ", L"スタートアップに登録されています。\r\n削除しますか？", true, false,
                             Icon::Question};
const SeenBox kRegistered{L"登録完了", L"処理は正常に終了しました。", false, true, Icon::Information};
const SeenBox kRegisterFailed{L"登録失敗", L"処理は失敗しました。", false, true, Icon::Exclamation};
const SeenBox kUnregistered{L"削除完了", L"処理は正常に終了しました。", false, true, Icon::Information};
const SeenBox kUnregisterFailed{L"削除失敗", L"処理は失敗しました。", false, true, Icon::Exclamation};

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

Icon IconOf(HICON icon) {
  if (!icon) return Icon::None;
  if (icon == LoadIconW(nullptr, IDI_QUESTION)) return Icon::Question;
  if (icon == LoadIconW(nullptr, IDI_INFORMATION)) return Icon::Information;
  if (icon == LoadIconW(nullptr, IDI_EXCLAMATION)) return Icon::Exclamation;
  return Icon::None;
}

BOOL CALLBACK ReadBoxControl(HWND child, LPARAM context) {
  auto* seen = reinterpret_cast<SeenBox*>(context);
  wchar_t className[32] = {};
  GetClassNameW(child, className, 32);
  if (_wcsicmp(className, L"Static") != 0) return TRUE;
  if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    seen->icon = IconOf(reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)));
  } else if (const std::wstring text = WindowText(child); !text.empty()) {
    seen->text = text;
  }
  return TRUE;
}

SeenBox ReadBox(HWND box) {
  SeenBox seen;
  seen.caption = WindowText(box);
  const bool yes = GetDlgItem(box, IDYES) != nullptr;
  const bool no = GetDlgItem(box, IDNO) != nullptr;
  const bool ok = GetDlgItem(box, IDOK) != nullptr;
  seen.yesNo = yes && no && !ok;
  seen.okOnly = ok && !yes && !no;
  EnumChildWindows(box, ReadBoxControl, reinterpret_cast<LPARAM>(&seen));
  return seen;
}

struct BoxSearch {
  DWORD process;
  HWND found;
};

BOOL CALLBACK MatchOwnMessageBox(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<BoxSearch*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (process == search->process && wcscmp(className, L"#32770") == 0 && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindOwnMessageBox() {
  BoxSearch search{GetCurrentProcessId(), nullptr};
  EnumWindows(MatchOwnMessageBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Answers every message box the test thread shows with the next scripted
// button, recording what each box said. A box beyond the script is recorded
// and closed too, so an unexpected box fails the test instead of hanging it.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(std::deque<int> buttons) : buttons_(std::move(buttons)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~BoxAnswerer() { Finish(); }

  const std::vector<SeenBox>& Finish() {
    if (thread_.joinable()) {
      done_ = true;
      thread_.join();
    }
    return seen_;
  }

 private:
  void Run() {
    while (!done_) {
      HWND box = FindOwnMessageBox();
      if (!box) {
        Sleep(20);
        continue;
      }
      Sleep(50);  // let the box finish building its controls
      seen_.push_back(ReadBox(box));
      int button = IDCANCEL;
      if (!buttons_.empty()) {
        button = buttons_.front();
        buttons_.pop_front();
      } else if (GetDlgItem(box, IDOK)) {
        button = IDOK;
      } else if (GetDlgItem(box, IDNO)) {
        button = IDNO;
      }
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
      for (int i = 0; i < 500 && IsWindow(box); ++i) Sleep(10);
    }
  }

  std::deque<int> buttons_;
  std::vector<SeenBox> seen_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// A program folder with Quistrel.exe and an empty Startup folder.
class StartupRegistration : public ::testing::Test {
 protected:
  StartupRegistration() { WriteBytes(appFolder / u"Quistrel.exe", "MZ"); }
  ~StartupRegistration() override {
    SetFileAttributesW(Wide(link), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(Wide(link));
  }

  template <typename Action>
  std::vector<SeenBox> Answering(std::deque<int> buttons, Action action) {
    BoxAnswerer answerer(std::move(buttons));
    action();
    return answerer.Finish();
  }

  TempFolder appFolder;
  TempFolder startupFolder;
  StartupFolders folders{appFolder.Path(), startupFolder.Path()};
  std::u16string link = startupFolder / u"Mallowquist.lnk";
};

TEST_F(StartupRegistration, YesRegistersAndYesAgainUnregisters) {
  EXPECT_FALSE(StartupLinkExists(folders));
  EXPECT_EQ(Answering({IDYES}, [this] { RegisterStartup(nullptr, folders); }),
            (std::vector<SeenBox>{kAskRegister, kRegistered}));
  ASSERT_TRUE(StartupLinkExists(folders));
  const std::string bytes = ReadBytes(link);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x4C\0\0\0", 4));
  EXPECT_NE(bytes.find(SystemAnsiCodePage().ToAnsi(appFolder / u"Quistrel.exe") + '\0'), std::string::npos);

  EXPECT_EQ(Answering({IDYES}, [this] { UnregisterStartup(nullptr, folders); }),
            (std::vector<SeenBox>{kAskUnregister, kUnregistered}));
  EXPECT_FALSE(Exists(link));
  EXPECT_FALSE(StartupLinkExists(folders));
}

TEST_F(StartupRegistration, NoChangesNothingAndShowsNothingMore) {
  EXPECT_EQ(Answering({IDNO}, [this] { RegisterStartup(nullptr, folders); }), std::vector<SeenBox>{kAskRegister});
  EXPECT_FALSE(Exists(link));

  WriteBytes(link, "existing");
  EXPECT_EQ(Answering({IDNO}, [this] { UnregisterStartup(nullptr, folders); }), std::vector<SeenBox>{kAskUnregister});
  EXPECT_EQ(ReadBytes(link), "existing");
}

TEST_F(StartupRegistration, ProgramFolderWithoutQuistrelExeFailsToRegister) {
  DeleteFileW(Wide(appFolder / u"Quistrel.exe"));
  WriteBytes(appFolder / u"Renamed.exe", "MZ");
  EXPECT_EQ(Answering({IDYES}, [this] { RegisterStartup(nullptr, folders); }),
            (std::vector<SeenBox>{kAskRegister, kRegisterFailed}));
  EXPECT_FALSE(Exists(link));
}

TEST_F(StartupRegistration, MissingStartupFolderFailsToRegister) {
  folders.startupFolder = startupFolder / u"gone\\";
  EXPECT_EQ(Answering({IDYES}, [this] { RegisterStartup(nullptr, folders); }),
            (std::vector<SeenBox>{kAskRegister, kRegisterFailed}));
  EXPECT_FALSE(Exists(startupFolder / u"gone\\Mallowquist.lnk"));
}

TEST_F(StartupRegistration, OnlyAnOrdinaryFileCountsAsRegistered) {
  WriteBytes(link, "half written");
  EXPECT_TRUE(StartupLinkExists(folders));
  SetFileAttributesW(Wide(link), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_TRUE(StartupLinkExists(folders));
  SetFileAttributesW(Wide(link), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(StartupLinkExists(folders));
  SetFileAttributesW(Wide(link), FILE_ATTRIBUTE_SYSTEM);
  EXPECT_FALSE(StartupLinkExists(folders));
  SetFileAttributesW(Wide(link), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(Wide(link));
  ASSERT_TRUE(CreateDirectoryW(Wide(link), nullptr));
  EXPECT_FALSE(StartupLinkExists(folders));
}

TEST_F(StartupRegistration, UndeletableOrVanishedShortcutFailsToUnregister) {
  WriteBytes(link, "read-only");
  SetFileAttributesW(Wide(link), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Answering({IDYES}, [this] { UnregisterStartup(nullptr, folders); }),
            (std::vector<SeenBox>{kAskUnregister, kUnregisterFailed}));
  EXPECT_EQ(ReadBytes(link), "read-only");

  SetFileAttributesW(Wide(link), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(Wide(link));
  EXPECT_EQ(Answering({IDYES}, [this] { UnregisterStartup(nullptr, folders); }),
            (std::vector<SeenBox>{kAskUnregister, kUnregisterFailed}));
}

}  // namespace
}  // namespace quistrel
