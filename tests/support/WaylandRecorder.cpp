// The recorder window of the Wayland suites: a full-screen window on every screen (run it with
// QT_QPA_PLATFORM=wayland) that prints what it sees on stdout, one line each, flushed at once:
//
//   screen NAME X Y W H        every screen's logical rectangle, at start
//   ready                      every screen has its window, shown and exposed
//   press BUTTON X Y NS MS     BUTTON: 0x110 left, 0x111 right, 0x112 middle (Linux codes); X Y: the
//   release BUTTON X Y NS MS   global logical position (screen geometry + position in the window); NS:
//                              CLOCK_MONOTONIC when the event was handled; MS: the event's own time
//                              stamp from the compositor, which double clicks are told by
//   key KEY                    a key pressed while a window has the focus; KEY: Qt's key code
//
// It runs until it is terminated, or until the compositor closes its connection.

#include <time.h>

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

long long NowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1'000'000'000LL + ts.tv_nsec;
}

unsigned LinuxButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return 0x110;
        case Qt::RightButton:
            return 0x111;
        case Qt::MiddleButton:
            return 0x112;
        default:
            return 0;
    }
}

class CCover : public QRasterWindow {
public:
    explicit CCover(QScreen* screen) {
        setScreen(screen);
        setTitle(QStringLiteral("recorder %1").arg(screen->name()));
        setGeometry(screen->geometry());
    }

    // Frames the compositor has asked for: it asks only for a window it shows on an output, so a few of
    // them mean the window is really there (being exposed comes earlier, with the first configure).
    bool Shown() const { return m_frames >= kFramesForReady; }

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::UpdateRequest && ++m_frames < kFramesForReady)
            requestUpdate();
        return QRasterWindow::event(event);
    }
    void exposeEvent(QExposeEvent* event) override {
        QRasterWindow::exposeEvent(event);
        if (isExposed())
            requestUpdate();
    }
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(QRect(QPoint(), size()), Qt::darkCyan); }
    void mousePressEvent(QMouseEvent* event) override { Report("press", event); }
    void mouseReleaseEvent(QMouseEvent* event) override { Report("release", event); }
    void keyPressEvent(QKeyEvent* event) override {
        std::printf("key 0x%x\n", static_cast<unsigned>(event->key()));
        std::fflush(stdout);
    }

private:
    void Report(const char* what, QMouseEvent* event) {
        // The screen the compositor put this window on, which it tells us once the window is shown.
        const QPoint global = screen()->geometry().topLeft() + event->position().toPoint();
        std::printf("%s 0x%x %d %d %lld %llu\n", what, LinuxButton(event->button()), global.x(), global.y(), NowNs(),
                    static_cast<unsigned long long>(event->timestamp()));
        std::fflush(stdout);
    }

    static constexpr int kFramesForReady = 3;
    int m_frames = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::vector<std::unique_ptr<CCover>> covers;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect r = screen->geometry();
        std::printf("screen %s %d %d %d %d\n", qPrintable(screen->name()), r.x(), r.y(), r.width(), r.height());
        covers.push_back(std::make_unique<CCover>(screen));
        covers.back()->showFullScreen();
    }
    std::fflush(stdout);
    QTimer ready;
    ready.setInterval(20);
    QObject::connect(&ready, &QTimer::timeout, [&] {
        QList<QScreen*> on;
        for (const auto& cover : covers) {
            if (!cover->isExposed() || !cover->Shown() ||
                cover->size() != cover->screen()->size() || on.contains(cover->screen()))
                return;
            on.append(cover->screen());
        }
        ready.stop();
        std::printf("ready\n");
        std::fflush(stdout);
    });
    ready.start();
    return QGuiApplication::exec();
}
