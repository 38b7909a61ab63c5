// The raw limit for the throughput benchmark: the X requests that a run makes for a left click (pointer
// warp, press, release, each flushed) in a loop with nothing else in it.
//
//   bench_raw_clicks --count N [--rect X,Y,WxH] [--flush-per-click]
//
// --flush-per-click sends the three requests of a click in one write instead, to show what the server
// could take if we flushed less often.

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/ClickPattern.h"

int main(int argc, char** argv) {
    long count = -1;
    SBenchRect rect{8, 8, 1264, 1008};
    bool bEachEvent = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--flush-per-click") == 0) {
            bEachEvent = false;
        } else if (std::strcmp(argv[i], "--count") == 0 && i + 1 < argc) {
            count = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--rect") == 0 && i + 1 < argc &&
                   ParseBenchRect(argv[i + 1], &rect)) {
            ++i;
        } else {
            count = -1;
            break;
        }
    }
    if (count < 1 || count > 10'000'000) {
        std::fprintf(stderr, "usage: bench_raw_clicks --count N [--rect X,Y,WxH] [--flush-per-click]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_raw_clicks: cannot open the display\n");
        return 1;
    }
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        std::fprintf(stderr, "bench_raw_clicks: the server has no XTEST\n");
        return 1;
    }
    // As the program's own input service does.
    XTestGrabControl(display, True);
    const Window root = DefaultRootWindow(display);
    for (int n = 0; n < count; ++n) {
        const SBenchPoint p = BenchClickPosition(n, rect);
        XWarpPointer(display, None, root, 0, 0, 0, 0, p.x, p.y);
        if (bEachEvent)
            XFlush(display);
        XTestFakeButtonEvent(display, Button1, True, CurrentTime);
        if (bEachEvent)
            XFlush(display);
        XTestFakeButtonEvent(display, Button1, False, CurrentTime);
        XFlush(display);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
