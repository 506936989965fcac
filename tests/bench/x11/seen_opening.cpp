// The opening of a pop-up as the user sees it: Win and a key typed at the X
// server (XTest), the screen's pixels in the pop-up's area read back in a
// tight loop (MIT-SHM) from the key's press until they stop changing for the
// settle time. The first change is when the user first sees anything, the
// last change is the complete frame. Each way (a key and a name) opens one
// pop-up; the ways take turns, so that each sees the same load of the
// machine, and Esc with the release of Win closes the pop-up again.
//
// A pixel that changes in more than one sample showed something else before
// its final colour (erased and drawn again, drawn over, or drawn in layers
// that the screen showed apart), which the user sees as flicker; a window
// drawn once changes each pixel once, from what was there before to the
// frame.
//
//   bench_seen_opening X Y WIDTH HEIGHT ROUNDS NAME:KEY [NAME:KEY...]
//       [--settle MS] [--trace DIR]
// With --trace, the first opening of each way writes every frame that
// differs from the one before as DIR/NAME-MILLISECONDS.ppm.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The area of the screen, read back through shared memory.
class AreaReader {
 public:
  AreaReader(Display* display, int x, int y, int width, int height) : display_(display), x_(x), y_(y) {
    const int screen = DefaultScreen(display);
    image_ =
        XShmCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(DefaultDepth(display, screen)),
                        ZPixmap, nullptr, &segment_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    segment_.shmid =
        shmget(IPC_PRIVATE, static_cast<std::size_t>(image_->bytes_per_line * image_->height), IPC_CREAT | 0600);
    segment_.shmaddr = image_->data = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
    segment_.readOnly = False;
    XShmAttach(display, &segment_);
    XSync(display, False);
    // Freed with the last detach, also when the program is killed.
    shmctl(segment_.shmid, IPC_RMID, nullptr);
  }
  ~AreaReader() {
    XShmDetach(display_, &segment_);
    XDestroyImage(image_);
    shmdt(segment_.shmaddr);
  }
  AreaReader(const AreaReader&) = delete;
  AreaReader& operator=(const AreaReader&) = delete;

  // The area's pixels now, one 32-bit word each.
  std::vector<uint32_t> Read() {
    XShmGetImage(display_, DefaultRootWindow(display_), image_, x_, y_, AllPlanes);
    std::vector<uint32_t> pixels(static_cast<std::size_t>(image_->width * image_->height));
    for (int row = 0; row < image_->height; ++row) {
      std::memcpy(&pixels[static_cast<std::size_t>(row * image_->width)], image_->data + row * image_->bytes_per_line,
                  static_cast<std::size_t>(image_->width) * sizeof(uint32_t));
    }
    return pixels;
  }
  int Width() const { return image_->width; }
  int Height() const { return image_->height; }

 private:
  Display* display_;
  int x_, y_;
  XShmSegmentInfo segment_{};
  XImage* image_ = nullptr;
};

struct Opening {
  long long keyAt = 0;  // the key's press, CLOCK_MONOTONIC_RAW in microseconds, the program trace's clock
  double first = -1;    // ms from the key's press to the first change
  double last = -1;     // ... to the last change: the complete frame
  int changes = 0;      // samples that differed from the one before
  int pixelsTwice = 0;  // pixels that changed in more than one sample
  int pixels = 0;       // pixels that changed at all
};

struct Way {
  std::string name;
  KeySym key;
  std::vector<Opening> openings;
};

void WritePpm(const std::filesystem::path& file, const std::vector<uint32_t>& pixels, int width, int height) {
  std::ofstream out(file, std::ios::binary);
  out << "P6\n" << width << " " << height << "\n255\n";
  for (const uint32_t p : pixels) {
    const char rgb[3] = {static_cast<char>((p >> 16) & 0xFF), static_cast<char>((p >> 8) & 0xFF),
                         static_cast<char>(p & 0xFF)};
    out.write(rgb, 3);
  }
}

class Bench {
 public:
  Bench(Display* display, AreaReader& area, double settleMs) : display_(display), area_(area), settleMs_(settleMs) {}

  void Key(KeySym key, bool down) {
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), down ? True : False, CurrentTime);
    XFlush(display_);
  }

  // The area as it stands while nothing shows: the same pixels for a while.
  std::vector<uint32_t> Quiet(double limitMs) {
    const auto start = Clock::now();
    std::vector<uint32_t> before = area_.Read();
    auto since = Clock::now();
    while (MsSince(start) < limitMs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      std::vector<uint32_t> now = area_.Read();
      if (now != before) {
        before = std::move(now);
        since = Clock::now();
      } else if (MsSince(since) >= settleMs_) {
        break;
      }
    }
    return before;
  }

  // Holds Win, taps the key and samples until the area settles.
  Opening Open(KeySym key, const std::vector<uint32_t>& closed, const std::string& tracePrefix) {
    Key(XK_Super_L, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    std::vector<uint32_t> previous = closed;
    std::vector<uint8_t> pixelChanges(closed.size(), 0);
    Opening opening;
    timespec raw{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &raw);
    opening.keyAt = raw.tv_sec * 1000000LL + raw.tv_nsec / 1000;
    const auto start = Clock::now();
    Key(key, true);
    Key(key, false);
    for (;;) {
      std::vector<uint32_t> now = area_.Read();
      const double at = MsSince(start);
      if (now != previous) {
        if (opening.first < 0) opening.first = at;
        opening.last = at;
        ++opening.changes;
        for (std::size_t i = 0; i < now.size(); ++i) {
          if (now[i] != previous[i] && pixelChanges[i] < 255) ++pixelChanges[i];
        }
        if (!tracePrefix.empty()) {
          char name[64];
          std::snprintf(name, sizeof name, "-%07.1f.ppm", at);
          WritePpm(tracePrefix + name, now, area_.Width(), area_.Height());
        }
        previous = std::move(now);
      }
      const double quietFor = at - std::max(opening.last, 0.0);
      if (opening.last >= 0 && quietFor >= settleMs_) break;
      if (opening.last < 0 && at > 5000) break;  // nothing showed
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    for (const uint8_t changes : pixelChanges) {
      if (changes > 0) ++opening.pixels;
      if (changes > 1) ++opening.pixelsTwice;
    }
    if (!tracePrefix.empty()) {
      // The pixels that changed more than once, magenta on the final frame.
      std::vector<uint32_t> marked = previous;
      for (std::size_t i = 0; i < marked.size(); ++i) {
        if (pixelChanges[i] > 1) marked[i] = 0xFF00FF;
      }
      WritePpm(tracePrefix + "-twice.ppm", marked, area_.Width(), area_.Height());
    }
    return opening;
  }

  // Esc, then Win let go; waits until the area shows what it showed before.
  bool Close(const std::vector<uint32_t>& closed) {
    Key(XK_Escape, true);
    Key(XK_Escape, false);
    Key(XK_Super_L, false);
    const auto start = Clock::now();
    while (MsSince(start) < 5000) {
      if (area_.Read() == closed) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

 private:
  Display* display_;
  AreaReader& area_;
  double settleMs_;
};

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

template <typename Field>
std::vector<double> Column(const Way& way, Field field) {
  std::vector<double> values;
  for (const Opening& o : way.openings) values.push_back(static_cast<double>(o.*field));
  return values;
}

void Summarise(const std::vector<Way>& ways) {
  for (const Way& way : ways) {
    const auto first = Column(way, &Opening::first);
    const auto last = Column(way, &Opening::last);
    const auto twice = Column(way, &Opening::pixelsTwice);
    const auto pixels = Column(way, &Opening::pixels);
    std::printf(
        "%s: %zu openings; first pixels median %.1f ms, 95th percentile %.1f ms; complete frame median %.1f ms, "
        "95th percentile %.1f ms (fastest %.1f, slowest %.1f); pixels that changed more than once: median %.0f "
        "of %.0f, most %.0f\n",
        way.name.c_str(), way.openings.size(), Percentile(first, 0.5), Percentile(first, 0.95), Percentile(last, 0.5),
        Percentile(last, 0.95), Percentile(last, 0), Percentile(last, 1), Percentile(twice, 0.5),
        Percentile(pixels, 0.5), Percentile(twice, 1));
  }
  for (std::size_t i = 1; i < ways.size(); ++i) {
    const auto ratio = [&](auto field, double fraction) {
      const double floor = Percentile(Column(ways[i], field), fraction);
      return floor > 0 ? Percentile(Column(ways[0], field), fraction) / floor : 0.0;
    };
    std::printf("%s against %s: first pixels median x%.2f, complete frame median x%.2f, 95th percentile x%.2f\n",
                ways[0].name.c_str(), ways[i].name.c_str(), ratio(&Opening::first, 0.5), ratio(&Opening::last, 0.5),
                ratio(&Opening::last, 0.95));
  }
}

// Openings of each way in turn, `rounds` of each; 0 when all opened and closed.
int Run(Display* display, int x, int y, int width, int height, int rounds, double settleMs, const std::string& trace,
        std::vector<Way>& ways) {
  AreaReader area(display, x, y, width, height);
  Bench bench(display, area, settleMs);
  for (int round = 0; round < rounds; ++round) {
    for (Way& way : ways) {
      const std::vector<uint32_t> closed = bench.Quiet(2000);
      const std::string prefix = trace.empty() ? "" : trace + "/" + way.name + "-" + std::to_string(round);
      const Opening opening = bench.Open(way.key, closed, prefix);
      const bool closedAgain = bench.Close(closed);
      if (opening.first < 0) {
        std::fprintf(stderr, "%s: nothing showed (round %d)\n", way.name.c_str(), round);
        return 1;
      }
      way.openings.push_back(opening);
      std::printf("  %s %2d: first %6.1f ms, complete %6.1f ms, %2d changes, %5d of %5d pixels more than once%s",
                  way.name.c_str(), round, opening.first, opening.last, opening.changes, opening.pixelsTwice,
                  opening.pixels, closedAgain ? "" : " (did not close)");
      if (!trace.empty()) std::printf(" (key at %lld us)", opening.keyAt);
      std::printf("\n");
      std::fflush(stdout);
      if (!closedAgain) {
        std::fprintf(stderr, "%s: the area did not come back after Esc (round %d)\n", way.name.c_str(), round);
        return 1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
  }
  Summarise(ways);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 7) {
    std::fprintf(stderr, "usage: %s X Y WIDTH HEIGHT ROUNDS NAME:KEY [NAME:KEY...] [--settle MS] [--trace DIR]\n",
                 argv[0]);
    return 2;
  }
  const int x = std::atoi(argv[1]), y = std::atoi(argv[2]), width = std::atoi(argv[3]), height = std::atoi(argv[4]);
  const int rounds = std::atoi(argv[5]);
  double settleMs = 300;
  std::string trace;
  std::vector<Way> ways;
  for (int i = 6; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--settle" && i + 1 < argc) {
      settleMs = std::atof(argv[++i]);
    } else if (arg == "--trace" && i + 1 < argc) {
      trace = argv[++i];
    } else if (const auto colon = arg.find(':'); colon != std::string::npos) {
      ways.push_back({arg.substr(0, colon), XStringToKeysym(arg.substr(colon + 1).c_str()), {}});
    }
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display || !XShmQueryExtension(display)) {
    std::fprintf(stderr, "no X display with MIT-SHM\n");
    return 1;
  }
  int event, error, major, minor;
  if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
    std::fprintf(stderr, "the X server has no XTEST\n");
    return 1;
  }
  if (!trace.empty()) std::filesystem::create_directories(trace);
  const int status = Run(display, x, y, width, height, rounds, settleMs, trace, ways);
  XCloseDisplay(display);
  return status;
}
