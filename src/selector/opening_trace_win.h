// The steps of the selector's opening and the messages that paint it, each
// with the time it began and ended, written to the file named by the
// environment variable QUISTREL_OPENING_TRACE when the selector hides. Only
// the test build traces (QUISTREL_TEST_QUERIES); elsewhere every call is
// empty. The times are QueryPerformanceCounter's, in microseconds: under
// Wine, the Linux clock CLOCK_MONOTONIC_RAW, which the benchmark's key
// stamps use too (bench_seen_opening --trace).
#pragma once

#include <windows.h>

namespace quistrel::opening_trace {

// Starts tracing the windows of this thread; names the controls for the file.
void Attach(HWND selector, HWND list, HWND preview);
// A step of the program's own, begun or ended.
void Step(const char* name, bool end);
// Writes what was gathered since the last write (at the hide).
void Write();

// Marks a step from its construction to the end of the scope.
class Scope {
 public:
  explicit Scope(const char* name) : name_(name) { Step(name_, false); }
  ~Scope() { Step(name_, true); }
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;

 private:
  const char* name_;
};

}  // namespace quistrel::opening_trace
