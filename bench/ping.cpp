// Measures how late a window's event loop answers, from outside: it sends the window a _NET_WM_PING
// every few milliseconds and timestamps each reply that comes back on the root window. Qt answers the
// ping on its user-interface thread, so the round trip is the wait of the event loop.
//
//   bench_ping PID [--interval MS] [--timeout MS] [--once]
//
// Finds the mapped top-level window of process PID that lists _NET_WM_PING in WM_PROTOCOLS, waits (up to
// --timeout) for it to answer a first ping, and prints "ready X Y WIDTH HEIGHT". With --once it ends there.
// Otherwise it pings until a line or the end of stdin, waits a second for the last replies, and prints
// key<TAB>value lines and "end". A ping never answered counts with the time it had waited by then.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int64_t NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Windows come and go while we look at them; a BadWindow then only means "not this one".
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

struct SAtoms {
    Atom pid;
    Atom protocols;
    Atom ping;
};

bool ListsPing(Display* display, Window window, const SAtoms& atoms) {
    Atom* list = nullptr;
    int count = 0;
    if (!XGetWMProtocols(display, window, &list, &count))
        return false;
    const bool found = std::find(list, list + count, atoms.ping) != list + count;
    XFree(list);
    return found;
}

bool HasPid(Display* display, Window window, const SAtoms& atoms, unsigned long pid) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, atoms.pid, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                           &after, &data) != Success ||
        !data)
        return false;
    const bool match = format == 32 && items == 1 && *reinterpret_cast<unsigned long*>(data) == pid;
    XFree(data);
    return match;
}

Window FindWindow(Display* display, const SAtoms& atoms, unsigned long pid) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable &&
            HasPid(display, children[i], atoms, pid) && ListsPing(display, children[i], atoms))
            found = children[i];
    }
    if (children)
        XFree(children);
    return found;
}

void SendPing(Display* display, Window window, const SAtoms& atoms, long serial) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atoms.protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(atoms.ping);
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = long(window);
    // Our own field: the reply is a copy of the ping, so it tells which ping it answers.
    event.xclient.data.l[3] = serial;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

// Reads the replies so far into receivedNs (by serial); returns how many came.
int ReadReplies(Display* display, Window window, const SAtoms& atoms, std::vector<int64_t>& receivedNs) {
    const int64_t now = NowNs();
    int replies = 0;
    for (int n = XEventsQueued(display, QueuedAfterReading); n > 0; --n) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != ClientMessage || event.xclient.message_type != atoms.protocols ||
            Atom(event.xclient.data.l[0]) != atoms.ping || Window(event.xclient.data.l[2]) != window)
            continue;
        const long serial = event.xclient.data.l[3];
        if (serial >= 0 && size_t(serial) < receivedNs.size() && receivedNs[size_t(serial)] < 0) {
            receivedNs[size_t(serial)] = now;
            ++replies;
        }
    }
    return replies;
}

double Percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty())
        return 0;
    const auto rank = std::clamp<size_t>(size_t(std::ceil(p * double(sorted.size()))), 1, sorted.size());
    return sorted[rank - 1];
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long pid = 0;
    long intervalMs = 10, timeoutMs = 20'000;
    bool bOnce = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--interval") == 0 && i + 1 < argc)
            intervalMs = std::strtol(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc)
            timeoutMs = std::strtol(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--once") == 0)
            bOnce = true;
        else
            pid = std::strtoul(argv[i], nullptr, 10);
    }
    if (pid == 0 || intervalMs < 1 || timeoutMs < 1) {
        std::fprintf(stderr, "usage: bench_ping PID [--interval MS] [--timeout MS] [--once]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "bench_ping: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(IgnoreErrors);
    const SAtoms atoms{XInternAtom(display, "_NET_WM_PID", False),
                       XInternAtom(display, "WM_PROTOCOLS", False),
                       XInternAtom(display, "_NET_WM_PING", False)};
    const Window root = DefaultRootWindow(display);
    // Qt sends its replies to the root window with this mask.
    XSelectInput(display, root, StructureNotifyMask);

    // The window, and the first reply: only then is its event loop running.
    const int64_t giveUp = NowNs() + int64_t(timeoutMs) * 1'000'000;
    std::vector<int64_t> sentNs, receivedNs;
    Window window = 0;
    while (NowNs() < giveUp) {
        if (!window && (window = FindWindow(display, atoms, pid)) != 0) {
            sentNs.push_back(NowNs());
            receivedNs.push_back(-1);
            SendPing(display, window, atoms, 0);
        }
        if (window && ReadReplies(display, window, atoms, receivedNs) > 0)
            break;
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, 50);
    }
    if (receivedNs.empty() || receivedNs[0] < 0) {
        std::printf("error no window of process %lu answered a ping\n", pid);
        return 1;
    }
    Window child = 0;
    int x = 0, y = 0;
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
    std::printf("ready %d %d %d %d\n", x, y, attributes.width, attributes.height);
    std::fflush(stdout);
    if (bOnce)
        return 0;

    sentNs.clear();
    receivedNs.clear();
    sentNs.reserve(1 << 16);
    receivedNs.reserve(1 << 16);
    const int64_t interval = int64_t(intervalMs) * 1'000'000;
    int64_t next = NowNs();
    int64_t stopAt = -1;
    for (;;) {
        const int64_t now = NowNs();
        if (stopAt < 0 && now >= next) {
            sentNs.push_back(now);
            receivedNs.push_back(-1);
            SendPing(display, window, atoms, long(sentNs.size() - 1));
            // After a stall of ours, carry on from now rather than send a burst.
            next = std::max(next + interval, now + interval / 2);
        }
        if (stopAt >= 0 &&
            (now >= stopAt || std::find(receivedNs.begin(), receivedNs.end(), -1) == receivedNs.end()))
            break;
        const int64_t until = stopAt >= 0 ? stopAt : next;
        pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int wait = int(std::max<int64_t>(0, (until - NowNs()) / 1'000'000));
        if (poll(fds, stopAt >= 0 ? 1 : 2, wait) < 0 && errno != EINTR)
            return 1;
        if (fds[0].revents & POLLIN)
            ReadReplies(display, window, atoms, receivedNs);
        if (stopAt < 0 && (fds[1].revents & (POLLIN | POLLHUP)))
            stopAt = NowNs() + 1'000'000'000;
    }
    ReadReplies(display, window, atoms, receivedNs);

    const int64_t end = NowNs();
    std::vector<double> latencyMs;
    size_t unanswered = 0;
    for (size_t i = 0; i < sentNs.size(); ++i) {
        if (receivedNs[i] < 0)
            ++unanswered;
        latencyMs.push_back(double((receivedNs[i] < 0 ? end : receivedNs[i]) - sentNs[i]) / 1e6);
    }
    std::sort(latencyMs.begin(), latencyMs.end());
    std::printf("pings\t%zu\nunanswered\t%zu\nmedian_ms\t%.3f\np99_ms\t%.3f\nmax_ms\t%.3f\nend\n",
                sentNs.size(), unanswered, Percentile(latencyMs, 0.5), Percentile(latencyMs, 0.99),
                latencyMs.empty() ? 0.0 : latencyMs.back());
    return 0;
}
