// The low-level keyboard hook and its two threads.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/handles.h"

namespace quistrel {

// The low-level keyboard hook that owns Win+C and Win+Alt+C, on a thread of
// its own that does nothing but pump the hook's messages: a hook on the
// user-interface thread would hold up every key of the whole system while
// that thread waits or shows a modal box, and Windows drops a hook that
// answers late without a word. The hook only decides; a courier thread
// carries out what it decided (the unassigned key, the reports to the
// window), so that the hook's answer waits for no call into the system.
class KeyboardHook {
 public:
  // The errands the hook may hand on before the courier takes them: should
  // the courier be stuck for that many, the newest are dropped.
  static constexpr std::size_t kErrandCapacity = 256;
  explicit KeyboardHook(std::size_t errandCapacity = kErrandCapacity) : errandCapacity_(errandCapacity) {}
  ~KeyboardHook() { Stop(); }
  KeyboardHook(const KeyboardHook&) = delete;
  KeyboardHook& operator=(const KeyboardHook&) = delete;

  // Installs the hook reporting to the window; true once it is in place.
  bool Start(HWND window);
  // Removes the hook; threads that do not end in time end with the process,
  // holding on to what they use.
  void Stop();
  bool Installed() const;

  // The hook's own time per key, for the benchmark: the longest since the
  // last reset, in tenths of a microsecond, and the keys seen.
  uint32_t LongestTenthsOfMicrosecond() const;
  uint32_t KeysSeen() const;
  void ResetTiming();
  // Kept by the window's own thread as the window shows and hides: the
  // hook asks no window of that thread, which may hold the process's
  // window lock for a long while.
  void SetSelectorShown(bool shown);

  struct State;  // shared by the object and its two threads

 private:
  std::size_t errandCapacity_;
  std::shared_ptr<State> state_;
  UniqueKernelObject hookThread_;
  UniqueKernelObject courierThread_;
};

}  // namespace quistrel
