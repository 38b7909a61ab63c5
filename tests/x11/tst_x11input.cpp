// XTest input against a private X server, with Qt scaling the screen by 2: the positions the input takes
// and gives are the server's pixels all the same.

#include <QCursor>
#include <QGuiApplication>
#include <QTest>
#include <thread>

#include "platform/x11/X11Input.h"
#include "tests/support/ButtonRecorder.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestMain.h"
#include "tests/support/X11Peer.h"

using namespace platform;
using testsupport::Press;
using testsupport::Release;
using Events = QList<testsupport::SButtonEvent>;

namespace {

constexpr int kWidth = 1280, kHeight = 1024;  // the test server's screen

// Qt reads the scale once, when the application object is made.
const bool g_bScaled = qputenv("QT_SCALE_FACTOR", "2");

INPUT Mouse(uint32_t flags) {
    INPUT input;
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dwExtraInfo = kInjectedExtraInfo;
    return input;
}

}  // namespace

class TestX11Input : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(g_bScaled);
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        QString error;
        QVERIFY2(m_recorder.Open(&error), qPrintable(error));
        QVERIFY2(m_peer.Open(&error), qPrintable(error));
        m_pInput = CreateX11Input(&error);
        QVERIFY2(m_pInput, qPrintable(error));
    }
    void init() { m_recorder.Clear(); }

    void cursorPositionRoundTrips_data() {
        QTest::addColumn<QPoint>("set");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("inside") << QPoint(900, 700) << QPoint(900, 700);
        // The server clamps to its screen.
        QTest::newRow("negative") << QPoint(-50, -70) << QPoint(0, 0);
        QTest::newRow("beyond") << QPoint(5000, 3000) << QPoint(kWidth - 1, kHeight - 1);
        // More than the protocol's 16 bits must not wrap round onto the screen.
        QTest::newRow("beyond 16 bits") << QPoint(65536 + 100, 5) << QPoint(kWidth - 1, 5);
        QTest::newRow("below 16 bits") << QPoint(7, -65536 + 100) << QPoint(7, 0);
    }
    void cursorPositionRoundTrips() {
        QFETCH(QPoint, set);
        QFETCH(QPoint, expected);
        QVERIFY(m_pInput->SetCursorPos(set.x(), set.y()));
        POINT pt;
        QVERIFY(m_pInput->GetCursorPos(&pt));
        QCOMPARE(QPoint(pt.x, pt.y), expected);
        // Another client sees the same position (asked after our round trip, so after the warp); Qt's own
        // view of it is in logical pixels.
        QPoint seen;
        QVERIFY(m_peer.QueryPointer(&seen.rx(), &seen.ry()));
        QCOMPARE(seen, expected);
        QCOMPARE(QCursor::pos(), expected / 2);
    }

    void buttonsArriveWhereThePointerIs_data() {
        QTest::addColumn<uint32_t>("down");
        QTest::addColumn<uint32_t>("up");
        QTest::addColumn<unsigned>("button");
        QTest::addColumn<QPoint>("at");
        QTest::newRow("left") << MOUSEEVENTF_LEFTDOWN << MOUSEEVENTF_LEFTUP << 1u << QPoint(10, 20);
        QTest::newRow("middle") << MOUSEEVENTF_MIDDLEDOWN << MOUSEEVENTF_MIDDLEUP << 2u << QPoint(900, 700);
        QTest::newRow("right") << MOUSEEVENTF_RIGHTDOWN << MOUSEEVENTF_RIGHTUP << 3u << QPoint(1279, 1023);
    }
    void buttonsArriveWhereThePointerIs() {
        QFETCH(uint32_t, down);
        QFETCH(uint32_t, up);
        QFETCH(unsigned, button);
        QFETCH(QPoint, at);
        QVERIFY(m_pInput->SetCursorPos(at.x(), at.y()));
        const INPUT inputs[] = {Mouse(down), Mouse(up)};
        QCOMPARE(m_pInput->SendInput(2, inputs, sizeof(INPUT)), 2u);
        QVERIFY(m_recorder.WaitForEvents(2));
        QCOMPARE(m_recorder.Events(),
                 (Events{Press(button, at.x(), at.y()), Release(button, at.x(), at.y())}));
    }

    void onlyMouseRecordsAreInjected() {
        QVERIFY(m_pInput->SetCursorPos(50, 60));
        INPUT keyboard = Mouse(MOUSEEVENTF_RIGHTDOWN);
        keyboard.type = 1;  // INPUT_KEYBOARD
        // A press and a release in one record press first.
        const INPUT inputs[] = {keyboard, Mouse(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP),
                                Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)};
        QCOMPARE(m_pInput->SendInput(4, inputs, sizeof(INPUT)), 3u);
        // A record size that is not ours injects nothing, as on Windows.
        QCOMPARE(m_pInput->SendInput(4, inputs, sizeof(INPUT) - 1), 0u);
        // A round trip on the injecting connection, then one on the recorder's, and every event is in.
        POINT pt;
        QVERIFY(m_pInput->GetCursorPos(&pt));
        m_recorder.Sync();
        QCOMPARE(m_recorder.Events(),
                 (Events{Press(1, 50, 60), Release(1, 50, 60), Press(1, 50, 60), Release(1, 50, 60)}));
    }

    void aBatchGoesOutWhenFlushed() {
        const INPUT press = Mouse(MOUSEEVENTF_LEFTDOWN), release = Mouse(MOUSEEVENTF_LEFTUP);
        m_pInput->BeginBatch();
        QVERIFY(m_pInput->SetCursorPos(300, 400));
        QCOMPARE(m_pInput->SendInput(1, &press, sizeof(INPUT)), 1u);
        // Held in our buffer: a round trip on another connection finds neither the warp nor the press.
        m_recorder.Sync();
        QVERIFY(m_recorder.Events().isEmpty());
        QPoint seen;
        QVERIFY(m_peer.QueryPointer(&seen.rx(), &seen.ry()));
        QVERIFY(seen != QPoint(300, 400));

        m_pInput->Flush();
        QVERIFY(m_recorder.WaitForEvents(1));
        QCOMPARE(m_recorder.Events(), (Events{Press(1, 300, 400)}));
        QCOMPARE(m_pInput->SendInput(1, &release, sizeof(INPUT)), 1u);
        m_pInput->EndBatch();
        QVERIFY(m_recorder.WaitForEvents(2));
        QCOMPARE(m_recorder.Events().last(), Release(1, 300, 400));

        // After the batch every call goes out by itself again.
        QVERIFY(m_pInput->SetCursorPos(310, 410));
        QVERIFY(m_peer.QueryPointer(&seen.rx(), &seen.ry()));
        QCOMPARE(seen, QPoint(310, 410));
    }

    void threadsInjectOnConnectionsOfTheirOwn() {
        constexpr int kClicks = 100;
        const auto clicker = [](uint32_t down, uint32_t up, unsigned* injected) {
            std::unique_ptr<IInput> input = CreateX11Input(nullptr);
            const INPUT click[] = {Mouse(down), Mouse(up)};
            for (int i = 0; input && i < kClicks; ++i)
                *injected += input->SendInput(2, click, sizeof(INPUT));
        };
        unsigned left = 0, right = 0;
        std::thread a(clicker, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, &left);
        std::thread b(clicker, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, &right);
        a.join();
        b.join();
        QCOMPARE(left + right, 4u * kClicks);
        QVERIFY(m_recorder.WaitForEvents(4 * kClicks));
        QCOMPARE(m_recorder.Events().size(), 4 * kClicks);
        // The two streams interleave, but each keeps its own order.
        for (unsigned button : {1u, 3u}) {
            bool bExpectPress = true;
            for (const testsupport::SButtonEvent& event : m_recorder.Events()) {
                if (event.nButton == button) {
                    QCOMPARE(event.bPress, bExpectPress);
                    bExpectPress = !bExpectPress;
                }
            }
        }
    }

    void lockKeysShowTheRealState() {
        for (const bool numLock : {true, false}) {
            QVERIFY(m_peer.SetLocks(numLock, !numLock));
            QTRY_COMPARE(m_pInput->GetLockKeys() & (kNumLock | kCapsLock), numLock ? kNumLock : kCapsLock);
        }
        QVERIFY(m_peer.SetLocks(false, false));
        QTRY_COMPARE(m_pInput->GetLockKeys() & (kNumLock | kCapsLock), 0u);
    }

    void serversThatCannotServe() {
        {
            testsupport::CScopedEnv display("DISPLAY", ":31999");
            QString error;
            QVERIFY(!CreateX11Input(&error));
            QCOMPARE(error,
                     QStringLiteral("Cannot open the X display \":31999\": Vantrell needs an X11 session "
                                    "(or XWayland)."));
        }
        testsupport::CScopedEnv display("DISPLAY", qgetenv("DISPLAY"));
        {
            testsupport::CXvfb server;
            server.AddArguments({QStringLiteral("-extension"), QStringLiteral("XTEST")});
            QString error;
            QVERIFY2(server.Start(&error), qPrintable(error));
            QVERIFY(!CreateX11Input(&error));
            QCOMPARE(error,
                     QStringLiteral("The X server has no XTEST extension, so Vantrell cannot make clicks."));
        }

        // A server that goes away fails the calls without ending the process.
        testsupport::CXvfb server;
        QString error;
        QVERIFY2(server.Start(&error), qPrintable(error));
        std::unique_ptr<IInput> input = CreateX11Input(&error);
        QVERIFY2(input, qPrintable(error));
        POINT pt;
        QVERIFY(input->GetCursorPos(&pt));
        server.Stop();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("lost its connection")));
        // Writes first: a write to a closed socket must not raise SIGPIPE either.
        const INPUT click[] = {Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)};
        QVERIFY(input->SendInput(2, click, sizeof(INPUT)) < 2u);
        QVERIFY(!input->SetCursorPos(1, 1));
        QVERIFY(!input->GetCursorPos(&pt));
        QCOMPARE(input->SendInput(2, click, sizeof(INPUT)), 0u);
    }

private:
    testsupport::CButtonRecorder m_recorder;
    testsupport::CX11Peer m_peer;
    std::unique_ptr<IInput> m_pInput;
};

VANTRELL_X11_TEST_MAIN(TestX11Input, QGuiApplication)
#include "tst_x11input.moc"
