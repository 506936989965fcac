// The records handed to the shell, the clipboard when another program holds
// it, and the copies the reader passes over unread, with the real Win32
// calls.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "clipboard/clipboard.h"
#include "clipboard/clipboard_reader.h"
#include "core/recording_rule.h"
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

// A copy made with `owner` as the clipboard's owner (nullptr: none).
void CopyAs(HWND owner, const std::u16string& text) {
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(char16_t)));
  std::memcpy(GlobalLock(block.Get()), text.c_str(), (text.size() + 1) * sizeof(char16_t));
  GlobalUnlock(block.Get());
  if (SetClipboardData(CF_UNICODETEXT, block.Get())) block.Release();
  CloseClipboard();
}

TEST(PassedOverCopies, TheOwnerDecidesBeforeTheReadAndACopyMadeMeanwhileIsAskedAboutToo) {
  const HWND listed = MakeHolderWindow();
  const HWND other = MakeHolderWindow();
  std::atomic<bool> copyMeanwhile{false};
  std::vector<std::optional<std::u16string>> delivered;
  ClipboardReader reader([&](ClipboardRead read) { delivered.push_back(read.text); }, nullptr,
                         [&](HWND owner) {
                           if (copyMeanwhile.exchange(false)) CopyAs(listed, u"copied meanwhile");
                           return owner != listed;
                         });
  // Delivered through the reader's window, as in the program: this thread
  // answers the messages of the copy made meanwhile.
  const auto copied = [&](HWND owner, const std::u16string& text) {
    const std::size_t before = delivered.size();
    CopyAs(owner, text);
    reader.Request();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (delivered.size() == before && std::chrono::steady_clock::now() < end) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(1);
    }
    return delivered.size() == before ? std::optional<std::u16string>(u"nothing delivered") : delivered.back();
  };
  EXPECT_EQ(copied(listed, u"secret"), std::nullopt);
  EXPECT_EQ(copied(other, u"plain"), u"plain");
  EXPECT_EQ(copied(nullptr, u"ownerless"), u"ownerless");
  copyMeanwhile = true;
  EXPECT_EQ(copied(other, u"asked about"), std::nullopt);
  EXPECT_EQ(delivered.size(), 4u);
  DestroyWindow(listed);
  DestroyWindow(other);
}

// What the decision costs a copy: the owner's program looked up, and its
// name and path looked up in a list of 100,000 lines.
TEST(PassedOverCopies, AWindowNamesItsProgramInMicroseconds) {
  const HWND own = MakeHolderWindow();
  wchar_t path[MAX_PATH]{};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  EXPECT_EQ(ProgramPathOfWindow(own), FromWide(path));
  DestroyWindow(own);
  EXPECT_EQ(ProgramPathOfWindow(own), std::nullopt);
  EXPECT_EQ(ProgramPathOfWindow(nullptr), std::nullopt);

  // The desktop window is explorer's, another program's.
  std::u16string lines;
  for (int i = 0; i < 100000; ++i) lines += u"Program" + FromWide(std::to_wstring(i)) + u".exe" + u'\0';
  const ExcludedPrograms excluded = ParseExcludeSection(lines + u"EXPLORER.EXE" + u'\0');
  const auto owner = [] { return ProgramPathOfWindow(GetDesktopWindow()); };
  constexpr int kCopies = 1000;
  const auto start = std::chrono::steady_clock::now();
  int read = 0;
  for (int i = 0; i < kCopies; ++i) read += MayReadCopy(false, true, excluded, owner) ? 1 : 0;
  const auto each = (std::chrono::steady_clock::now() - start) / kCopies;
  EXPECT_EQ(read, 0) << (owner() ? "explorer has another name" : "explorer not named");
  std::printf("[ figures ] the decision for a copy of another program: %lld us\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(each).count()));
  EXPECT_LT(each, std::chrono::milliseconds(5));
}

}  // namespace
}  // namespace quistrel
