// The editor's cold start: the time from starting the program to the first frame of its 3D view on
// the screen, measured from outside as a user would see it. The program runs with no arguments, as a
// user starts it; the harness watches the X server (DISPLAY) for a top-level window of the child
// process and reads its pixels until the view's background colour shows (the first frame of an empty
// document clears to it), then ends the child.
//
//   vrel_first_paint [--runs N] [--colour RRGGBB] [--timeout SECONDS] PROGRAM
//
// Prints each run's milliseconds and their median. Run it under xvfb-run, with the environment the
// program needs (LIBGL_ALWAYS_SOFTWARE=1 for Mesa's software renderer, a VREL_INI for a clean start),
// and with taskset when the figure is to be compared with others.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The process that owns a window, from the property the toolkit sets; 0 when there is none.
unsigned long WindowPid(Display* display, Window window, Atom pidAtom) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  unsigned long pid = 0;
  if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
          Success &&
      data != nullptr) {
    if (type == XA_CARDINAL && format == 32 && count == 1)
      pid = *reinterpret_cast<unsigned long*>(data);
    XFree(data);
  }
  return pid;
}

// A mapped top-level window of the process.
std::optional<Window> FindWindow(Display* display, pid_t pid, Atom pidAtom) {
  Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, root, &root, &parent, &children, &count))
    return std::nullopt;
  std::optional<Window> found;
  for (unsigned int i = 0; i < count && !found; ++i) {
    XWindowAttributes attributes;
    if (WindowPid(display, children[i], pidAtom) == static_cast<unsigned long>(pid) &&
        XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable &&
        attributes.width > 16 && attributes.height > 16) {
      found = children[i];
    }
  }
  if (children)
    XFree(children);
  return found;
}

// Whether the colour shows in the window: every fourth pixel of every eighth row is looked at.
bool ShowsColour(Display* display, Window window, unsigned long rgb) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes))
    return false;
  for (int y = attributes.height / 16; y < attributes.height; y += 8) {
    XImage* row = XGetImage(display, window, 0, y, static_cast<unsigned>(attributes.width), 1, AllPlanes, ZPixmap);
    if (!row)
      continue;
    bool seen = false;
    for (int x = 0; x < attributes.width && !seen; x += 4)
      seen = (XGetPixel(row, x, 0) & 0xFFFFFF) == rgb;
    XDestroyImage(row);
    if (seen)
      return true;
  }
  return false;
}

int IgnoreXErrors(Display*, XErrorEvent*) {
  return 0;  // windows come and go while they are looked at
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  unsigned long colour = 0x184059;  // the view's default background
  double timeout = 60;
  std::string program;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--colour" && i + 1 < argc) {
      colour = std::strtoul(argv[++i], nullptr, 16);
    } else if (arg == "--timeout" && i + 1 < argc) {
      timeout = std::atof(argv[++i]);
    } else {
      program = arg;
    }
  }
  if (program.empty()) {
    std::fprintf(stderr, "usage: vrel_first_paint [--runs N] [--colour RRGGBB] [--timeout SECONDS] PROGRAM\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "vrel_first_paint: no X display (run under xvfb-run)\n");
    return 2;
  }
  XSetErrorHandler(IgnoreXErrors);
  const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);

  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child < 0) {
      std::perror("vrel_first_paint: fork");
      return 1;
    }
    if (child == 0) {
      execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      std::perror("vrel_first_paint: exec");
      _exit(127);
    }
    std::optional<double> ms;
    std::optional<Window> window;
    int status = 0;
    while (!ms) {
      const double elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      if (elapsed > timeout * 1000 || waitpid(child, &status, WNOHANG) == child)
        break;
      if (!window)
        window = FindWindow(display, child, pidAtom);
      if (window && ShowsColour(display, *window, colour))
        ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(child, SIGTERM);
    waitpid(child, &status, 0);
    if (!ms) {
      std::fprintf(stderr, "vrel_first_paint: run %d: no frame with colour %06lX\n", run + 1, colour);
      return 1;
    }
    std::printf("run %d: %.1f ms\n", run + 1, *ms);
    times.push_back(*ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("median of %zu runs: %.1f ms\n", times.size(), times[times.size() / 2]);
  XCloseDisplay(display);
  return 0;
}
