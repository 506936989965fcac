// The clipboard watcher's fallback on the viewer chain (as on systems without
// the format listener) with a real second viewer on another thread, and the
// reader facing an owner that never renders what it promised, and the
// process the reader reads in meanwhile, and a write that a read stuck in
// an owner's rendering would keep out.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "clipboard/clipboard.h"
#include "clipboard/clipboard_reader.h"
#include "clipboard/process_rights_win.h"
#include "clipboard/reading_process.h"
#include "hook/message_hook.h"
#include "platform/handles.h"
#include "platform/system_function.h"

// The memory a machine has, played small: an allocation above the limit
// fails as one of several hundred MB fails in a 32-bit program. The reading
// processes this program starts inherit the limit through the environment.
namespace {
constexpr char kLargestAllocation[] = "MALLOWQUIST_TEST_LARGEST_ALLOCATION";
// Constant-initialised: other files' static constructors allocate first.
std::atomic<std::size_t> largestAllocation{SIZE_MAX};
const bool limitInherited = [] {
  if (const char* value = std::getenv(kLargestAllocation)) largestAllocation = std::strtoull(value, nullptr, 10);
  return true;
}();
}  // namespace

void* operator new(std::size_t bytes) {
  if (bytes > largestAllocation.load()) throw std::bad_alloc();
  if (void* memory = std::malloc(bytes ? bytes : 1)) return memory;
  throw std::bad_alloc();
}
// The library's operator delete frees with std::free, as this one allocates.

namespace quistrel {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

HWND MakeWindow(WNDPROC procedure, const wchar_t* className) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  RegisterClassW(&wc);
  return CreateWindowExW(0, className, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
}

template <typename Condition>
bool PumpUntil(Condition condition, Clock::duration limit = 3s) {
  const auto deadline = Clock::now() + limit;
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(5);
  }
  return true;
}

struct CountingTarget final : HookTarget {
  bool IsSelectorOpen() override { return false; }
  void OpenSelector() override {}
  void CloseSelector(bool) override {}
  void SelectDown() override {}
  void OnKeyReleased(uint16_t, uint32_t) override {}
  void SelectUp() override {}
  void OnClipboardChanged() override { ++changes; }
  void RestoreTrayIcon() override {}
  void OnTrayIconClick(MouseButton) override {}
  std::atomic<int> changes{0};
};

// Another clipboard viewer, on a thread of its own: it passes every
// notification on, or stops answering altogether.
class OtherViewer {
 public:
  explicit OtherViewer(bool hang) {
    thread_ = std::thread([this, hang] {
      window_ = MakeWindow(&OtherViewer::Procedure, L"Mallowquist.TestOtherViewer");
      next_ = SetClipboardViewer(window_);
      joined_ = true;
      if (hang) {
        while (!quit_) Sleep(10);
      } else {
        PumpUntil([this] { return quit_.load(); }, 1h);
      }
      ChangeClipboardChain(window_, next_);
      DestroyWindow(window_);
      done_ = true;
    });
    while (!joined_) Sleep(1);
    instance_ = this;
  }
  ~OtherViewer() {
    quit_ = true;
    // Leaving the chain sends to the windows of this thread: keep answering.
    PumpUntil([this] { return done_.load(); }, 10s);
    thread_.join();
  }
  int Heard() const { return heard_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    OtherViewer* self = instance_;
    if (self && message == WM_DRAWCLIPBOARD) {
      ++self->heard_;
      if (self->next_) SendMessageW(self->next_, message, wParam, lParam);
      return 0;
    }
    if (self && message == WM_CHANGECBCHAIN) {
      if (reinterpret_cast<HWND>(wParam) == self->next_) {
        self->next_ = reinterpret_cast<HWND>(lParam);
      } else if (self->next_) {
        SendMessageW(self->next_, message, wParam, lParam);
      }
      return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
  static inline OtherViewer* instance_ = nullptr;
  std::thread thread_;
  HWND window_ = nullptr;
  HWND next_ = nullptr;
  std::atomic<bool> joined_{false}, quit_{false}, done_{false};
  std::atomic<int> heard_{0};
};

class ViewerChainFallback : public ::testing::Test {
 protected:
  ViewerChainFallback() : window_(MakeWindow(DefWindowProcW, L"Mallowquist.TestWatcher")) {}
  ~ViewerChainFallback() override {
    hook_.Remove();
    hook_.StopListening();
    DestroyWindow(window_);
  }
  void Watch() {
    hook_.JoinClipboardChain(window_);
    hook_.Install(window_);
  }
  HWND window_;
  CountingTarget target_;
  MessageHook hook_{target_};
};

TEST_F(ViewerChainFallback, CopiesReachBothViewersAndTheChainStaysWholeAfterTheProgramLeaves) {
  OtherViewer other(false);
  Watch();
  ASSERT_FALSE(hook_.UsesListener());
  const int before = other.Heard();
  ASSERT_TRUE(WriteClipboardText(nullptr, u"one"));
  EXPECT_TRUE(PumpUntil([&] { return target_.changes >= 1 && other.Heard() > before; }));

  hook_.Remove();
  hook_.StopListening();
  const int changes = target_.changes;
  const int heard = other.Heard();
  ASSERT_TRUE(WriteClipboardText(nullptr, u"two"));
  EXPECT_TRUE(PumpUntil([&] { return other.Heard() > heard; }));
  EXPECT_EQ(target_.changes, changes);
}

TEST_F(ViewerChainFallback, AViewerThatHangsCostsAtMostAMoment) {
  OtherViewer hung(true);
  Watch();
  const auto start = Clock::now();
  ASSERT_TRUE(WriteClipboardText(nullptr, u"copied past a hung viewer"));
  EXPECT_TRUE(PumpUntil([&] { return target_.changes >= 1; }));
  PumpUntil([] { return false; }, 500ms);  // whatever forwarding follows
  EXPECT_LT(Clock::now() - start, 2s);
}

LRESULT CALLBACK NeverRenders(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RENDERFORMAT) {
    Sleep(INFINITE);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

UniqueKernelObject StartProgram(const std::wstring& path, std::wstring commandLine, DWORD flags = 0,
                                BOOL inherit = FALSE) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, inherit, flags, nullptr, nullptr, &startup,
                      &started)) {
    return UniqueKernelObject();
  }
  CloseHandle(started.hThread);
  return UniqueKernelObject(started.hProcess);
}

// This test program, started as the reading process or suspended.
UniqueKernelObject StartThisProgram(std::wstring commandLine, DWORD flags = 0, BOOL inherit = FALSE) {
  wchar_t path[MAX_PATH]{};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return StartProgram(path, std::move(commandLine), flags, inherit);
}

// A read by a reading process, ordered at once; not complete when none
// could be started.
ClipboardRead ReadInAProcess() {
  auto process = ReadingProcess::Start();
  if (!process) return ClipboardRead{};
  process->Go();
  return process->Result();
}

// A text too large to copy out is skipped once, as a clipboard without
// text: the reader lives on, and a reading process hands in a complete read
// instead of dying and being started again for as long as the text stays.
TEST(ClipboardReaderTest, ATextTooLargeForTheMemoryIsSkippedOnceWhereverItIsRead) {
  ASSERT_TRUE(WriteClipboardText(nullptr, std::u16string(1 << 20, u'x')));
  largestAllocation = 1 << 20;  // the text takes 2 MiB
  SetEnvironmentVariableA(kLargestAllocation, "1048576");
  int delivered = 0;
  std::optional<std::u16string> text = u"unset";
  {
    ClipboardReader reader(
        [&](ClipboardRead read) {
          ++delivered;
          text = read.text;
        },
        std::make_shared<ReadingProcessLauncher>());
    EXPECT_TRUE(reader.Settle(2s));
  }
  const ClipboardRead read = ReadInAProcess();
  largestAllocation = SIZE_MAX;
  SetEnvironmentVariableA(kLargestAllocation, nullptr);
  EXPECT_EQ(delivered, 1);
  EXPECT_FALSE(text);
  EXPECT_TRUE(read.complete);
  EXPECT_FALSE(read.text);
}

// While a write of the program waits for the clipboard, its reading process
// stays away as its own reader does: the write is frozen mid-wait with the
// clipboard free again, where nothing but the wait keeps that process out.
TEST(ClipboardReaderTest, AReadingProcessStaysAwayWhileAWriteOfItsProgramWaits) {
  ASSERT_TRUE(WriteClipboardText(nullptr, u"before the write"));
  // Any program of the same user can make and set a named event, also one
  // named after this process: no read gives way to that.
  const UniqueKernelObject squatter(CreateEventW(
      nullptr, TRUE, TRUE, (L"Local\\Mallowquist.ClipboardWrite." + std::to_wstring(GetCurrentProcessId())).c_str()));
  SetEvent(squatter.Get());
  EXPECT_EQ(ReadInAProcess().text, u"before the write");
  const HWND holder = MakeWindow(DefWindowProcW, L"Mallowquist.TestHolder");
  ASSERT_TRUE(OpenClipboard(holder));
  std::atomic<DWORD> writerId{0};
  std::atomic<bool> written{false};
  std::thread writer([&] {
    writerId = GetCurrentThreadId();
    written = WriteClipboardText(nullptr, u"written once free", 10s);
  });
  while (!ClipboardWriteWaiting()) Sleep(1);
  const UniqueKernelObject writing(OpenThread(THREAD_SUSPEND_RESUME, FALSE, writerId));
  SuspendThread(writing.Get());
  CloseClipboard();
  const ClipboardRead read = ReadInAProcess();
  ResumeThread(writing.Get());
  writer.join();
  DestroyWindow(holder);
  EXPECT_TRUE(writing);
  EXPECT_FALSE(read.complete || read.text) << "read while the write waited";
  EXPECT_TRUE(written);
  EXPECT_EQ(ReadInAProcess().text, u"written once free");
}

// Another program: qpeer.exe of the end-to-end scenarios, beside this one.
UniqueKernelObject StartPeer(const std::wstring& arguments) {
  wchar_t path[MAX_PATH]{};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring peer(path);
  peer.resize(peer.find_last_of(L'\\') + 1);
  peer += L"qpeer.exe";
  return StartProgram(peer, L"qpeer " + arguments);
}

// A read stuck in the rendering of an owner that hangs holds the clipboard
// open. A write on the reader's thread handles no message while it waits, so
// the reader's watch does not run: the write itself ends that read (leaves
// the reading thread behind, ends the reading process) and lands within its
// wait. Under Wine the emptying then waits until the owner counts as hung
// (WM_DESTROYCLIPBOARD, at most 5 s), as for any write over such an owner.
TEST(ClipboardReaderTest, AWriteEndsAReadStuckInItsWayAndLandsWithinItsWait) {
  ClipboardReader reader([](ClipboardRead) {}, std::make_shared<ReadingProcessLauncher>());
  std::vector<UniqueKernelObject> owners;
  for (const char* stuck : {"a reading thread", "a reading process"}) {
    SCOPED_TRACE(stuck);
    reader.Settle(3s);
    const DWORD before = GetClipboardSequenceNumber();
    owners.push_back(StartPeer(L"promise 0 never"));
    ASSERT_TRUE(owners.back());
    ASSERT_TRUE(PumpUntil([&] { return GetClipboardSequenceNumber() != before && !GetOpenClipboardWindow(); }, 10s));
    reader.Request();
    ASSERT_TRUE(PumpUntil([] { return GetOpenClipboardWindow() != nullptr; }, 5s));
    Sleep(300);
    ASSERT_TRUE(GetOpenClipboardWindow()) << "the read did not stay stuck";
    const auto start = Clock::now();
    EXPECT_TRUE(WriteClipboardText(nullptr, u"written past a stuck read", 2s));
    std::printf(
        "[ figures ] a write past %s took %lld ms\n", stuck,
        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count()));
    // Read elsewhere: under Wine no other thread of this process fetches
    // clipboard data while the one left behind waits.
    EXPECT_EQ(ReadInAProcess().text, u"written past a stuck read");
  }
  for (const UniqueKernelObject& owner : owners) TerminateProcess(owner.Get(), 0);
}

long long Ms(Clock::duration d) {
  return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

// A reader that keeps the texts it delivers, in order.
ClipboardReader CollectingReader(std::vector<std::u16string>& texts) {
  return ClipboardReader([&texts](ClipboardRead read) { texts.push_back(read.text.value_or(u"")); },
                         std::make_shared<ReadingProcessLauncher>());
}

// Under Wine a process's first look at the clipboard in 2 s waits for the
// owner to answer the X11 driver: the copy of a program that computes right
// after it would be read only once it is done, and a copy of another
// program could take its place meanwhile. The reader keeps that ask recent
// (it can while the owner before is a window that answers, as a program's
// window that copied, or the program's own after a commit).
TEST(ClipboardReaderTest, ACopyWhoseOwnerIsBusyAfterwardsIsReadAtOnceAlsoLongAfterTheReaderLastLooked) {
  const HWND before = MakeWindow(DefWindowProcW, L"Mallowquist.TestOwnerBefore");
  ASSERT_TRUE(WriteClipboardText(before, u"copied before"));
  std::vector<std::u16string> texts;
  ClipboardReader reader = CollectingReader(texts);
  reader.Settle(2s);
  PumpUntil([] { return false; }, 3s);
  texts.clear();
  const DWORD sequence = GetClipboardSequenceNumber();
  const UniqueKernelObject busy = StartPeer(L"copy-busy 4000 computed-after");
  ASSERT_TRUE(busy);
  ASSERT_TRUE(PumpUntil([&] { return GetClipboardSequenceNumber() != sequence; }, 10s));
  const auto copied = Clock::now();
  reader.Request();
  EXPECT_TRUE(reader.Settle(1500ms));
  std::printf("[ figures ] a busy owner's copy read %lld ms after it\n", Ms(Clock::now() - copied));
  EXPECT_EQ(texts, std::vector<std::u16string>{u"computed-after"});
  WaitForSingleObject(busy.Get(), 10000);
  DestroyWindow(before);
}

// A read asked an owner for a text it never renders: the clipboard it held
// is let go within a moment (others cannot copy or paste meanwhile), and the
// copies after it are read at once, by a reading process started ahead,
// also one that the next copy replaces a tenth of a second later.
TEST(ClipboardReaderTest, AnOwnerThatNeverRendersHasTheClipboardLetGoAtOnceAndTheCopiesAfterItAreRead) {
  std::vector<std::u16string> texts;
  ClipboardReader reader = CollectingReader(texts);
  reader.Settle(2s);
  const DWORD before = GetClipboardSequenceNumber();
  const UniqueKernelObject owner = StartPeer(L"promise 0 never");
  ASSERT_TRUE(owner);
  ASSERT_TRUE(PumpUntil([&] { return GetClipboardSequenceNumber() != before && !GetOpenClipboardWindow(); }, 10s));
  reader.Request();
  ASSERT_TRUE(PumpUntil([] { return GetOpenClipboardWindow() != nullptr; }, 5s));
  const auto asked = Clock::now();
  EXPECT_TRUE(PumpUntil([] { return GetOpenClipboardWindow() == nullptr; }, 5s));
  const auto held = Clock::now() - asked;
  std::printf("[ figures ] the clipboard held in a silent owner's rendering for %lld ms\n", Ms(held));
  EXPECT_LT(held, 600ms);
  // Wine lets other programs at the clipboard again once the owner counts as
  // hung, 5 s after it was asked.
  PumpUntil([] { return false; }, 5500ms);
  texts.clear();
  for (const char16_t* text : {u"copied past a silent owner", u"copied right after"}) {
    ASSERT_TRUE(WriteClipboardText(nullptr, text));
    reader.Request();
    PumpUntil([] { return false; }, 100ms);
  }
  EXPECT_TRUE(reader.Settle(3s));
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"copied past a silent owner", u"copied right after"}));
  TerminateProcess(owner.Get(), 0);
}

// An owner that renders slowly (a spreadsheet's large range) answers
// nothing while it renders, as a silent one: the read is let go all the
// same, and once the owner answers again its copy is read, and recorded.
TEST(ClipboardReaderTest, ASlowRenderingIsLetGoButItsCopyIsReadOnceTheOwnerAnswers) {
  std::vector<std::u16string> texts;
  ClipboardReader reader = CollectingReader(texts);
  reader.Settle(2s);
  texts.clear();
  const DWORD before = GetClipboardSequenceNumber();
  const UniqueKernelObject owner = StartPeer(L"promise 0.6 rendered-slowly");
  ASSERT_TRUE(owner);
  ASSERT_TRUE(PumpUntil([&] { return GetClipboardSequenceNumber() != before && !GetOpenClipboardWindow(); }, 10s));
  const auto copied = Clock::now();
  reader.Request();
  EXPECT_TRUE(PumpUntil([&] { return !texts.empty(); }, 8s));
  std::printf("[ figures ] a 600 ms rendering read %lld ms after the copy\n", Ms(Clock::now() - copied));
  EXPECT_EQ(texts, std::vector<std::u16string>{u"rendered-slowly"});
  TerminateProcess(owner.Get(), 0);
}

// The test program plays the program: its main runs the reading process on
// the same switch.
TEST(ClipboardReaderTest, AnOwnerThatNeverRendersHoldsUpNeitherTheCallerNorAReadingProcessPastItsProgram) {
  // A reading process hands over a text larger than its pipe, and outside
  // the code page, whole.
  std::u16string text(3 << 20, u'x');
  text.replace(0, 4, u"A\U0001F642\uD55C");
  ASSERT_TRUE(WriteClipboardText(nullptr, text));
  // Under Wine also with the full token the test program runs with.
  const ClipboardRead read = ReadInAProcess();
  EXPECT_TRUE(read.complete);
  EXPECT_EQ(read.sequence, GetClipboardSequenceNumber());
  EXPECT_TRUE(read.text && *read.text == text);

  std::atomic<bool> promised{false};
  std::thread owner([&] {
    HWND window = MakeWindow(NeverRenders, L"Mallowquist.TestPromise");
    OpenClipboard(window);
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, nullptr);
    CloseClipboard();
    promised = true;
    PumpUntil([] { return false; }, 1h);
  });
  owner.detach();  // blocked for good in its rendering; it ends with the process
  while (!promised) Sleep(1);

  // A reading process hung in the rendering ends with the program that
  // started it (a suspended process plays that program).
  UniqueKernelObject program = StartThisProgram(L"program", CREATE_SUSPENDED);
  ASSERT_TRUE(program);
  SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
  const UniqueKernelObject go(CreateEventW(&inheritable, TRUE, TRUE, nullptr));
  UniqueKernelObject reading = StartThisProgram(L"reader " + std::wstring(kReadClipboardSwitch) + L" " +
                                                    std::to_wstring(GetProcessId(program.Get())) + L" " +
                                                    std::to_wstring(reinterpret_cast<uintptr_t>(go.Get())),
                                                0, TRUE);
  ASSERT_TRUE(reading);
  EXPECT_EQ(WaitForSingleObject(reading.Get(), 1000), static_cast<DWORD>(WAIT_TIMEOUT));  // it hangs

  TerminateProcess(program.Get(), 0);
  EXPECT_EQ(WaitForSingleObject(reading.Get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  TerminateProcess(reading.Get(), 1);  // should it still be there

  // The program's own reader, asking the owner in its turn, is not held up.
  int delivered = 0;
  ClipboardReader reader([&](ClipboardRead) { ++delivered; }, std::make_shared<ReadingProcessLauncher>());
  const auto start = Clock::now();
  EXPECT_FALSE(reader.Settle(200ms));
  EXPECT_LT(Clock::now() - start, 1s);
  EXPECT_EQ(delivered, 0);
}

// The token as the system states it: Wine gives a program started from the
// Unix side the administrator's full token, elevated, and links the limited
// one of the same user to it, as Windows does for an administrator.
TEST(ProcessRightsTest, TheFullTokenReadsElevatedAndItsLinkedOneNot) {
  ASSERT_TRUE(RunsUnderWine());
  const ProcessRights full = CurrentProcessRights();
  EXPECT_EQ(full.elevated, true);
  EXPECT_GT(full.integrityLevel.value_or(0), kMediumIntegrity);
  EXPECT_FALSE(UseReadingProcess(full, false));

  HANDLE opened = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened));
  const UniqueKernelObject token(opened);
  TOKEN_LINKED_TOKEN linked{};
  DWORD size = 0;
  if (!GetTokenInformation(token.Get(), TokenLinkedToken, &linked, sizeof(linked), &size)) {
    GTEST_SKIP() << "no linked token (error " << GetLastError() << ")";
  }
  const UniqueKernelObject limited(linked.LinkedToken);
  // Wine labels that one high too, where Windows labels it medium: only the
  // elevation tells the two apart here.
  const ProcessRights normal = RightsOfToken(limited.Get());
  EXPECT_EQ(normal.elevated, false);
  EXPECT_TRUE(normal.integrityLevel);
}

}  // namespace
}  // namespace quistrel
