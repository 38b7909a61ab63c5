// The benchmarks' recorder: a window over the whole screen that timestamps every mouse button event it
// receives on CLOCK_MONOTONIC, the clock the other processes of a benchmark read too. It is driven by
// lines on stdin and answers each on stdout, so a shell script can hold it open as a coprocess:
//
//   (at start)        ready WIDTH HEIGHT      once the window is mapped and can receive clicks
//   count             N                       events so far, after a round trip to the server
//   wait N MS         N'                      returns once N events are in, or none came for MS ms
//   hide | show       ok                      unmaps the window / maps it again on top of everything
//   clear             ok                      forgets the events
//   dump FILE         ok                      one line per event: ns press|release button x y
//   throughput        key<TAB>value ... end   clicks per second from the first press to the last release
//   lateness MS       key<TAB>value ... end   each press against the previous release plus MS
//   quit

#include <X11/Xlib.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct SEvent {
    int64_t ns;
    bool bPress;
    unsigned button;
    int x;
    int y;
};

int64_t NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void Answer(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Answer(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fflush(stdout);
}

// Nearest rank: the smallest value that at least p of the values do not exceed.
double Percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty())
        return 0;
    const auto rank = std::clamp<size_t>(size_t(std::ceil(p * double(sorted.size()))), 1, sorted.size());
    return sorted[rank - 1];
}

class CRecorder {
public:
    bool Open();
    int Run();

private:
    // Takes what the server has sent so far; events read in one go share the moment of the read.
    void Read(int mode);
    void Sync();
    void Command(const std::string& line);
    void Throughput();
    void Lateness(double delayMs);
    void Dump(const char* path);

    Display* m_display = nullptr;
    Window m_window = 0;
    std::vector<SEvent> m_events;
    bool m_bQuit = false;
    // A "wait" in progress.
    bool m_bWaiting = false;
    size_t m_waitCount = 0;
    int64_t m_waitQuietNs = 0;
    int64_t m_lastChangeNs = 0;
};

bool CRecorder::Open() {
    m_display = XOpenDisplay(nullptr);
    if (!m_display)
        return false;
    const int screen = DefaultScreen(m_display);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.event_mask = ButtonPressMask | ButtonReleaseMask | StructureNotifyMask;
    const int width = DisplayWidth(m_display, screen), height = DisplayHeight(m_display, screen);
    m_window = XCreateWindow(m_display, RootWindow(m_display, screen), 0, 0, unsigned(width),
                             unsigned(height), 0, CopyFromParent, InputOnly, CopyFromParent,
                             CWOverrideRedirect | CWEventMask, &attributes);
    XMapRaised(m_display, m_window);
    XEvent event;
    do {
        XNextEvent(m_display, &event);
    } while (event.type != MapNotify);
    m_events.reserve(1 << 17);
    Answer("ready %d %d\n", width, height);
    return true;
}

void CRecorder::Read(int mode) {
    const int64_t now = NowNs();
    for (int n = XEventsQueued(m_display, mode); n > 0; --n) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == ButtonPress || event.type == ButtonRelease) {
            m_events.push_back({now, event.type == ButtonPress, event.xbutton.button, event.xbutton.x_root,
                                event.xbutton.y_root});
            m_lastChangeNs = now;
        }
    }
}

void CRecorder::Sync() {
    Read(QueuedAfterReading);
    XSync(m_display, False);
    Read(QueuedAlready);
}

int CRecorder::Run() {
    std::string input;
    while (!m_bQuit) {
        pollfd fds[2] = {{ConnectionNumber(m_display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        int timeoutMs = -1;
        if (m_bWaiting) {
            const int64_t left = m_lastChangeNs + m_waitQuietNs - NowNs();
            timeoutMs = int(std::max<int64_t>(0, left / 1'000'000 + 1));
        }
        // No commands are taken while a wait is in progress; they queue up in the pipe.
        const nfds_t count = m_bWaiting ? 1 : 2;
        if (poll(fds, count, timeoutMs) < 0 && errno != EINTR)
            return 1;
        if (fds[0].revents & POLLIN)
            Read(QueuedAfterReading);
        if (fds[0].revents & (POLLERR | POLLHUP))
            return 1;
        if (m_bWaiting) {
            if (m_events.size() >= m_waitCount || NowNs() >= m_lastChangeNs + m_waitQuietNs) {
                Sync();
                m_bWaiting = false;
                Answer("%zu\n", m_events.size());
            }
            continue;
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buf[512];
            const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0)
                return 0;
            input.append(buf, size_t(n));
            size_t end;
            // A wait stops the taking of further lines until it ends.
            while (!m_bWaiting && !m_bQuit && (end = input.find('\n')) != std::string::npos) {
                Command(input.substr(0, end));
                input.erase(0, end + 1);
            }
        }
    }
    return 0;
}

void CRecorder::Command(const std::string& line) {
    char word[32] = {};
    char arg[4096] = {};
    long long a = 0, b = 0;
    if (std::sscanf(line.c_str(), "%31s", word) != 1)
        return;
    const std::string command = word;
    if (command == "count") {
        Sync();
        Answer("%zu\n", m_events.size());
    } else if (command == "wait" && std::sscanf(line.c_str(), "%*s %lld %lld", &a, &b) == 2) {
        Sync();
        m_bWaiting = true;
        m_waitCount = size_t(a);
        m_waitQuietNs = b * 1'000'000;
        m_lastChangeNs = NowNs();
    } else if (command == "hide" || command == "show") {
        if (command == "hide")
            XUnmapWindow(m_display, m_window);
        else
            XMapRaised(m_display, m_window);
        Sync();
        Answer("ok\n");
    } else if (command == "clear") {
        Sync();
        m_events.clear();
        Answer("ok\n");
    } else if (command == "dump" && std::sscanf(line.c_str(), "%*s %4095s", arg) == 1) {
        Sync();
        Dump(arg);
    } else if (command == "throughput") {
        Sync();
        Throughput();
    } else if (command == "lateness" && std::sscanf(line.c_str(), "%*s %lld", &a) == 1) {
        Sync();
        Lateness(double(a));
    } else if (command == "quit") {
        m_bQuit = true;
    } else {
        Answer("error unknown command: %s\n", line.c_str());
    }
}

void CRecorder::Throughput() {
    size_t presses = 0, releases = 0;
    int64_t first = -1, last = -1;
    for (const SEvent& e : m_events) {
        if (e.bPress) {
            ++presses;
            if (first < 0)
                first = e.ns;
        } else {
            ++releases;
            last = e.ns;
        }
    }
    const double seconds = first >= 0 && last > first ? double(last - first) / 1e9 : 0;
    Answer("presses\t%zu\nreleases\t%zu\nseconds\t%.6f\nclicks_per_s\t%.0f\nend\n", presses, releases,
           seconds, seconds > 0 ? double(std::min(presses, releases)) / seconds : 0.0);
}

void CRecorder::Lateness(double delayMs) {
    std::vector<double> late;
    size_t outOfOrder = 0;
    int64_t lastRelease = -1;
    bool bDown = false;
    for (const SEvent& e : m_events) {
        if (e.bPress) {
            if (bDown)
                ++outOfOrder;
            else if (lastRelease >= 0)
                late.push_back(double(e.ns - lastRelease) / 1e6 - delayMs);
            bDown = true;
        } else {
            if (!bDown)
                ++outOfOrder;
            bDown = false;
            lastRelease = e.ns;
        }
    }
    std::sort(late.begin(), late.end());
    Answer(
        "intervals\t%zu\nout_of_order\t%zu\nmin_ms\t%.3f\nmedian_ms\t%.3f\np99_ms\t%.3f\nmax_ms\t%.3f\nend\n",
        late.size(), outOfOrder, late.empty() ? 0.0 : late.front(), Percentile(late, 0.5),
        Percentile(late, 0.99), late.empty() ? 0.0 : late.back());
}

void CRecorder::Dump(const char* path) {
    FILE* file = std::fopen(path, "w");
    if (!file) {
        Answer("error %s: %s\n", path, std::strerror(errno));
        return;
    }
    for (const SEvent& e : m_events)
        std::fprintf(file, "%" PRId64 " %s %u %d %d\n", e.ns, e.bPress ? "press" : "release", e.button, e.x,
                     e.y);
    const bool ok = std::fclose(file) == 0;
    Answer(ok ? "ok\n" : "error writing the dump\n");
}

}  // namespace

int main() {
    CRecorder recorder;
    if (!recorder.Open()) {
        std::fprintf(stderr, "bench_recorder: cannot open the display\n");
        return 1;
    }
    return recorder.Run();
}
