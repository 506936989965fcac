#include "app/application.h"

#include "clipboard/reading_process.h"
#include "core/settings_files_win.h"
#include "core/single_instance.h"
#include "dialogs/hello_window.h"
#include "platform/common_controls.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "platform/window_program.h"
#include "selector/paste.h"

namespace quistrel {

namespace {
constexpr wchar_t kSingleInstanceMutex[] = L"Local\\Mallowquist.Quistrel.Running";

// How long the start waits for the clipboard's text, and the selector for a
// copy that was just made: a clipboard owner that does not deliver by then is
// passed over.
constexpr auto kStartClipboardWait = std::chrono::milliseconds(500);
constexpr auto kOpenClipboardWait = std::chrono::milliseconds(100);
// A copy is usually read within a few milliseconds: the program waits that
// long, so that each copy is recorded before the next message, but no longer.
constexpr auto kCopyWait = std::chrono::milliseconds(50);

constexpr char16_t kTrayTip[] = u"Mallowquist";
constexpr char16_t kPausedTrayTip[] = u"Mallowquist（記録を一時停止中）";
constexpr char16_t kBalloonText[] =
    u"本ソフトの機能が利用可能になりました。\r\n"
    u"ショートカットキー、またはこのアイコンを左クリックして利用します。\r\n"
    u"設定を変更するには、このアイコンを右クリックして下さい。";
constexpr char16_t kCommitFailedText[] =
    u"選択した文字をクリップボードに設定できませんでした。\r\n"
    u"他のソフトがクリップボードを使用中の可能性があります。しばらくしてから、もう一度選択して下さい。";
}  // namespace

Application::Application()
    : reader_([this](ClipboardRead read) { OnClipboardRead(std::move(read)); },
              std::make_shared<ReadingProcessLauncher>(),
              [rule = rule_](HWND owner) {
                return rule->MayRead(owner != nullptr, [owner] { return ProgramPathOfWindow(owner); });
              }),
      settingDialog_(program_, icons_),
      aboutWindow_(icons_),
      selector_(program_,
                SelectorActions{[this] { settingDialog_.Open(nullptr); }, [this] { aboutWindow_.Open(nullptr); },
                                [this] { OnSelectorEnding(); },
                                [this](PasteObstacle obstacle, PasteKeys keys) { TellPasteDropped(obstacle, keys); },
                                [this] { TellCommitFailed(); }, [this] { SwitchPause(); }}),
      hook_(*this) {}

Application::~Application() {
  // Windows still open (a start that failed half-way) go while every part
  // they call back into still exists.
  Window::UnloadAll();
}

bool Application::AnotherInstanceIsRunning() {
  instanceMutex_.Reset(CreateMutexW(nullptr, FALSE, kSingleInstanceMutex));
  return AnotherInstanceRuns(static_cast<bool>(instanceMutex_), GetLastError());
}

bool Application::Start() {
  if (AnotherInstanceIsRunning()) {
    ShowMessageBox(nullptr, kAlreadyRunningText, MB_OK | MB_ICONINFORMATION);
    return false;
  }
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  common_controls::InitCommonControlsEx(controls);
  program_.AppFolder = ExecutableFolder();
  program_.StartupFolder = StartupFolder();
  Initialize();
  if (!selector_.Load()) return false;
  StartListening();
  TellWhatTheLoadFound();
  return true;
}

void Application::Initialize() {
  tray_.CheckShellVersion();
  tray_.RegisterMessages();
  settingDialog_.SetBalloonCapable(tray_.IsBalloonCapable());
  icons_.Load();

  program_.Setting.FixedString.Clear();
  program_.History.Clear();
  LoadSettings(program_);
  rule_->SetExcluded(program_.Setting.Excluded);
  rule_->SetPaused(program_.Setting.PauseRecording != 0);

  // A clipboard held by another program at this moment simply leaves the
  // history empty.
  reader_.Settle(kStartClipboardWait);

  // Before the selector window, the hot keys and the tray icon exist.
  if (program_.Setting.ViewHello != 0) {
    HelloWindow hello(program_, icons_, settingDialog_, aboutWindow_);
    hello.Run();
    SaveSettings(program_);
  }
}

void Application::StartListening() {
  HWND window = selector_.Handle();
  icons_.BorrowMissingFrom(window);
  hook_.SetTrayMessages(tray_.CallbackMessage(), tray_.TaskbarCreatedMessage());
  hook_.ListenToClipboard(window);
  hook_.Install(window);
  // The hook first: where it holds the keys, a combination another program
  // registered first needs no word to the user.
  const bool keysHooked = keyboard_.Start(window);
  hook_.SetKeyboardHook(keyboard_);
  hotKeys_.Register(window, keysHooked);
  hook_.SetHotKeyIds(hotKeys_.DownKeyId(), hotKeys_.UpKeyId());
  const bool paused = program_.Setting.PauseRecording != 0;
  tray_.Add(window, paused ? icons_.SmallPaused() : icons_.Small(), paused ? kPausedTrayTip : kTrayTip, kBalloonText,
            program_.Setting.ViewBalloon);
}

void Application::SwitchPause() {
  const bool paused = program_.Setting.PauseRecording == 0;
  program_.Setting.PauseRecording = paused ? 1 : 0;
  rule_->SetPaused(paused);
  // The copy on the clipboard now stays unread after a resume too: only
  // copies made from then on are recorded.
  tray_.Change(paused ? icons_.SmallPaused() : icons_.Small(), paused ? kPausedTrayTip : kTrayTip);
  // Kept at once: after a crash the recording must not start again by itself.
  SaveSettings(program_);
}

void Application::TellWhatTheLoadFound() {
  // An unreadable file: the run goes on with no fixed strings and leaves the
  // file be.
  const FixedStringFileState& file = program_.FixedStringFile;
  if (file.unreadable) {
    startNotice_.Show(FixedStringsUnreadableText(program_.AppFolder), MB_OK | MB_ICONEXCLAMATION);
  } else if (!file.keptAtLoad.empty()) {
    startNotice_.Show(FixedStringsKeptAtLoadText(file, program_.AppFolder), MB_OK | MB_ICONEXCLAMATION);
  }
}

void Application::OnSelectorEnding() {
  hotKeys_.Unregister();
  keyboard_.Stop();
  hook_.Remove();
  hook_.StopListening();
  tray_.Delete();
  Shutdown();
}

void Application::Shutdown() {
  // Nobody is there to be told at the end or at log-off.
  SaveSettings(program_);
  icons_.Reset();
  startNotice_.Close();
  Window::UnloadAll();
  PostQuitMessage(0);
}

void Application::OnClipboardRead(ClipboardRead read) {
  if (!read.complete) return;  // nothing is known of this change
  program_.ClipboardText = read.text ? SharedText(std::move(*read.text)) : SharedText();
  program_.ClipboardSequence = read.sequence;
  program_.AddToHistory(program_.ClipboardText);
}

void Application::TellPasteDropped(PasteObstacle obstacle, PasteKeys keys) {
  Tell(PasteDroppedText(obstacle, keys).c_str(), MB_ICONINFORMATION);
}

void Application::TellCommitFailed() { Tell(kCommitFailedText, MB_ICONEXCLAMATION); }

void Application::Tell(const char16_t* text, UINT icon) {
  if (program_.Setting.ViewBalloon == 1 && tray_.ShowBalloon(kTrayTip, text)) return;
  ShowMessageBox(nullptr, Wide(text), MB_OK | icon);
}

void Application::OnClipboardChanged() {
  reader_.Request();
  reader_.Settle(kCopyWait);
}

void Application::OpenSelector() {
  reader_.Settle(kOpenClipboardWait);
  selector_.Open();
}

void Application::OnTrayIconClick(MouseButton button) {
  if (button == MouseButton::Left) reader_.Settle(kOpenClipboardWait);
  selector_.OnTrayIconClick(button);
}

}  // namespace quistrel
