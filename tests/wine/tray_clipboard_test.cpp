// The records handed to the shell, the clipboard when another program holds
// it, and the program named by its window, with the real Win32 calls.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <thread>

#include "clipboard/clipboard.h"
#include "core/recording_rule.h"
#include "platform/handles.h"
#include "platform/window_program.h"
#include "tray/tray_icon.h"

// SetClipboardData as this program's code calls it, through its import
// table: refused on demand, as a system short of memory refuses it.
namespace {
std::atomic<bool> refuseClipboardData{false};

HANDLE WINAPI SetClipboardDataUnlessRefused(UINT format, HANDLE data) {
  if (refuseClipboardData.exchange(false)) return nullptr;
  static const auto system = reinterpret_cast<decltype(&SetClipboardData)>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetClipboardData")));
  return system(format, data);
}
}  // namespace

#ifdef _WIN64
extern "C" decltype(&SetClipboardData) importedSetClipboardData asm("__imp_SetClipboardData");
#else
extern "C" decltype(&SetClipboardData) importedSetClipboardData asm("__imp__SetClipboardData@8");
#endif
decltype(&SetClipboardData) importedSetClipboardData = &SetClipboardDataUnlessRefused;

namespace quistrel {
namespace {

TEST(TrayIconData, TheShellGetsExactlyTheBytesOfTheRecord) {
  if (sizeof(void*) != 4) GTEST_SKIP() << "the byte layout is the 32-bit program's";
  for (bool capable : {false, true}) {
    const TrayRecord record = MakeAddRecord(capable, 1, 0x10042, 0x20077, 0xC0DE, "Mallowquist", "one\r\ntwo\r\nthree");
    const NOTIFYICONDATAA data = ToNotifyIconData(record);
    const std::vector<uint8_t> expected = SerializeTrayRecord32(record);
    ASSERT_EQ(data.cbSize, expected.size());
    EXPECT_EQ(std::memcmp(&data, expected.data(), expected.size()), 0) << "balloon-capable " << capable;
  }
}

// A window of another thread, as another program would hold the clipboard.
HWND MakeHolderWindow() {
  return CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

// Holds the clipboard open from another thread until told to let go.
class ClipboardHolder {
 public:
  ClipboardHolder() {
    thread_ = std::thread([this] {
      HWND window = MakeHolderWindow();
      opened_ = OpenClipboard(window) != FALSE;
      ready_ = true;
      while (!release_) Sleep(5);
      if (opened_) CloseClipboard();
      DestroyWindow(window);
    });
    while (!ready_) Sleep(1);
  }
  ~ClipboardHolder() {
    release_ = true;
    thread_.join();
  }
  bool Holding() const { return opened_; }

 private:
  std::thread thread_;
  std::atomic<bool> ready_{false}, release_{false}, opened_{false};
};

TEST(HeldClipboard, AWriteGivesUpQuicklyAndChangesNothing) {
  ASSERT_TRUE(WriteClipboardText(nullptr, u"before"));
  {
    ClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(WriteClipboardText(nullptr, u"after"));
    EXPECT_FALSE(ReadClipboardText(nullptr).has_value());
    const auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_LT(spent, std::chrono::milliseconds(500));
  }
  EXPECT_EQ(ReadClipboardText(nullptr), u"before");
}

TEST(HeldClipboard, AWriteSucceedsOnceTheOtherProgramLetsGoInTime) {
  std::atomic<bool> letGo{false};
  std::atomic<bool> holding{false};
  std::thread holder([&] {
    HWND window = MakeHolderWindow();
    OpenClipboard(window);
    holding = true;
    Sleep(15);
    CloseClipboard();
    letGo = true;
    DestroyWindow(window);
  });
  while (!holding) Sleep(1);
  Sleep(2);
  EXPECT_TRUE(WriteClipboardText(nullptr, u"written after a retry"));
  holder.join();
  EXPECT_EQ(ReadClipboardText(nullptr), u"written after a retry");
}

TEST(WriteClipboard, AFailedAllocationLeavesTheClipboardAsItWas) {
  ASSERT_TRUE(WriteClipboardText(nullptr, u"kept"));
  const char16_t one = u'x';
  // A length no process can allocate; nothing of it is ever read.
  const std::u16string_view impossible(&one, std::numeric_limits<std::size_t>::max() / 4);
  EXPECT_FALSE(WriteClipboardText(nullptr, impossible));
  EXPECT_EQ(ReadClipboardText(nullptr), u"kept");
}

TEST(WriteClipboard, ATextTheSystemRefusesAfterTheEmptyingPutsThePreviousTextBack) {
  ASSERT_TRUE(WriteClipboardText(nullptr, u"previous"));
  const KnownClipboardText previous{u"previous", GetClipboardSequenceNumber()};
  refuseClipboardData = true;
  EXPECT_FALSE(WriteClipboardText(nullptr, u"refused", kBriefClipboardWait, previous));
  EXPECT_EQ(ReadClipboardText(nullptr), u"previous");
  // A text read before the last copy does not stand in for it.
  ASSERT_TRUE(WriteClipboardText(nullptr, u"copied since"));
  refuseClipboardData = true;
  EXPECT_FALSE(WriteClipboardText(nullptr, u"refused", kBriefClipboardWait, previous));
  EXPECT_FALSE(ReadClipboardText(nullptr).has_value());
}

// What the question costs a copy of another program (the desktop window is
// explorer's): its program looked up, and its name and path in the list.
TEST(ExcludedPrograms, AWindowNamesItsProgramInAFractionOfAMillisecond) {
  const HWND own = MakeHolderWindow();
  wchar_t path[MAX_PATH]{};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  EXPECT_EQ(ProgramPathOfWindow(own), FromWide(path));
  DestroyWindow(own);
  EXPECT_EQ(ProgramPathOfWindow(own), std::nullopt);
  const ExcludedPrograms excluded = ParseExcludeSection(u"EXPLORER.EXE\0C:\\Other\\Program.exe\0");
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 1000; ++i) {
    ASSERT_FALSE(MayReadCopy(false, true, excluded, [] { return ProgramPathOfWindow(GetDesktopWindow()); }));
  }
  const auto each = (std::chrono::steady_clock::now() - start) / 1000;
  std::printf("[ figures ] the question for a copy of another program: %lld us\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(each).count()));
  EXPECT_LT(each, std::chrono::milliseconds(5));
}

}  // namespace
}  // namespace quistrel
