// The X11 back end against a private X server, with real XTest events and real key grabs. Qt scales the
// screen by 2 here: the positions the input takes and gives are the server's pixels all the same.

#include <QCursor>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTest>
#include <functional>
#include <set>

#include "platform/VirtualKeys.h"
#include "platform/x11/KeyMap.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Input.h"
#include "tests/support/ButtonRecorder.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestMain.h"
#include "tests/support/X11Peer.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace Qt::StringLiterals;
using namespace platform;
using testsupport::Press;
using testsupport::Release;
using Events = QList<testsupport::SButtonEvent>;

namespace platform {

// Reaches what a test needs to see or switch inside the hotkey service.
class CX11HotKeysTestPeer {
public:
    explicit CX11HotKeysTestPeer(CX11HotKeys& hotKeys) : m_hotKeys(hotKeys) {}
    unsigned KeyPressesSeen() const { return m_hotKeys.m_nKeyPressesSeen; }
    void SetDetectableAutoRepeat(bool enable) { m_hotKeys.SetDetectableAutoRepeat(enable); }
    bool IsReading() const { return m_hotKeys.m_pNotifier && m_hotKeys.m_pNotifier->isEnabled(); }

private:
    CX11HotKeys& m_hotKeys;
};

}  // namespace platform

namespace {

constexpr int kWidth = 1280, kHeight = 1024;  // the test server's screen
constexpr unsigned kVkF = VK_A + 5, kVkH = VK_A + 7;

// Qt reads the scale once, when the application object is made.
const bool g_bScaled = qputenv("QT_SCALE_FACTOR", "2");

INPUT Mouse(uint32_t flags) {
    INPUT input;
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    input.mi.dwExtraInfo = kInjectedExtraInfo;
    return input;
}

class COwner : public IHotKeyOwner {
public:
    void OnHotKey(int id) override {
        m_ids.append(id);
        if (m_onHotKey)
            m_onHotKey(id);
    }
    QList<int> m_ids;
    std::function<void(int)> m_onHotKey;
};

}  // namespace

class TestX11 : public QObject {
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
    void init() {
        m_recorder.Clear();
        QString error;
        m_pHotKeys = CreateX11HotKeys(&error);
        QVERIFY2(m_pHotKeys->IsConnected(), qPrintable(error));
        m_owner = {};
        m_other = {};
        m_barrier = {};
        QVERIFY(m_pHotKeys->RegisterHotKey(&m_barrier, 99, 0, 0x47));  // G
    }
    void cleanup() {
        m_pHotKeys.reset();
        QVERIFY(m_peer.SetLocks(false, false));
    }

    // Where the pointer goes, seen by us, by another client and by Qt (in its logical pixels), and where a
    // click then arrives.
    void clicksArriveWhereThePointerWent_data() {
        QTest::addColumn<QPoint>("set");
        QTest::addColumn<QPoint>("expected");
        QTest::addColumn<unsigned>("button");
        QTest::newRow("inside") << QPoint(900, 700) << QPoint(900, 700) << 1u;
        // The server clamps to its screen.
        QTest::newRow("negative") << QPoint(-50, -70) << QPoint(0, 0) << 2u;
        QTest::newRow("beyond") << QPoint(5000, 3000) << QPoint(kWidth - 1, kHeight - 1) << 3u;
        // More than the protocol's 16 bits must not wrap round onto the screen.
        QTest::newRow("beyond 16 bits") << QPoint(65536 + 100, 5) << QPoint(kWidth - 1, 5) << 1u;
        QTest::newRow("below 16 bits") << QPoint(7, -65536 + 100) << QPoint(7, 0) << 1u;
    }
    void clicksArriveWhereThePointerWent() {
        QFETCH(QPoint, set);
        QFETCH(QPoint, expected);
        QFETCH(unsigned, button);
        QVERIFY(m_pInput->SetCursorPos(set.x(), set.y()));
        POINT pt;
        QVERIFY(m_pInput->GetCursorPos(&pt));
        QCOMPARE(QPoint(pt.x, pt.y), expected);
        QCOMPARE(PeerPointer(), expected);
        QCOMPARE(QCursor::pos(), expected / 2);

        const std::pair<uint32_t, uint32_t> flags[] = {{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP},
                                                       {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP},
                                                       {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP}};
        const INPUT inputs[] = {Mouse(flags[button - 1].first), Mouse(flags[button - 1].second)};
        QCOMPARE(m_pInput->SendInput(2, inputs, sizeof(INPUT)), 2u);
        QVERIFY(m_recorder.WaitForEvents(2));
        QCOMPARE(m_recorder.Events(), (Events{Press(button, expected.x(), expected.y()),
                                              Release(button, expected.x(), expected.y())}));
    }

    void aBatchGoesOutWhenFlushed() {
        const INPUT press = Mouse(MOUSEEVENTF_LEFTDOWN), release = Mouse(MOUSEEVENTF_LEFTUP);
        m_pInput->BeginBatch();
        QVERIFY(m_pInput->SetCursorPos(300, 400));
        QCOMPARE(m_pInput->SendInput(1, &press, sizeof(INPUT)), 1u);
        // Held in our buffer: a round trip on another connection finds neither the warp nor the press.
        m_recorder.Sync();
        QVERIFY(m_recorder.Events().isEmpty());
        QVERIFY(PeerPointer() != QPoint(300, 400));

        m_pInput->Flush();
        QVERIFY(m_recorder.WaitForEvents(1));
        QCOMPARE(m_recorder.Events(), (Events{Press(1, 300, 400)}));
        QCOMPARE(m_pInput->SendInput(1, &release, sizeof(INPUT)), 1u);
        m_pInput->EndBatch();
        QVERIFY(m_recorder.WaitForEvents(2));
        QCOMPARE(m_recorder.Events().last(), Release(1, 300, 400));

        // After the batch every call goes out by itself again (and another client may get in first).
        QVERIFY(m_pInput->SetCursorPos(310, 410));
        QTRY_COMPARE(PeerPointer(), QPoint(310, 410));
    }

    void lockKeysShowTheRealState() {
        for (const bool numLock : {true, false}) {
            QVERIFY(m_peer.SetLocks(numLock, !numLock));
            QTRY_COMPARE(m_pInput->GetLockKeys() & (kNumLock | kCapsLock), numLock ? kNumLock : kCapsLock);
        }
        QVERIFY(m_peer.SetLocks(false, false));
        QTRY_COMPARE(m_pInput->GetLockKeys() & (kNumLock | kCapsLock), 0u);
    }

    // The grab must hold whatever lock keys are on, and only for exactly its own modifiers.
    void pressReachesItsOwner_data() {
        QTest::addColumn<unsigned>("modifiers");
        QTest::addColumn<QList<unsigned>>("others");  // combinations that must not reach it
        QTest::addColumn<bool>("numLock");
        QTest::addColumn<bool>("capsLock");
        QTest::newRow("Ctrl") << MOD_CONTROL << QList<unsigned>{0, MOD_CONTROL | MOD_SHIFT} << false << false;
        QTest::newRow("Alt, NumLock") << MOD_ALT << QList<unsigned>{0, MOD_ALT | MOD_SHIFT} << true << false;
        QTest::newRow("Win, CapsLock")
            << MOD_WIN << QList<unsigned>{0, MOD_WIN | MOD_CONTROL} << false << true;
        QTest::newRow("Ctrl+Shift, both locks")
            << (MOD_CONTROL | MOD_SHIFT) << QList<unsigned>{MOD_CONTROL, MOD_CONTROL | MOD_SHIFT | MOD_ALT}
            << true << true;
    }
    void pressReachesItsOwner() {
        QFETCH(unsigned, modifiers);
        QFETCH(QList<unsigned>, others);
        QFETCH(bool, numLock);
        QFETCH(bool, capsLock);
        QVERIFY(m_pHotKeys->RegisterHotKey(&m_owner, 7, modifiers, kVkF));
        QCOMPARE(m_pHotKeys->LastError(), kHotKeyErrorNone);
        QVERIFY(m_peer.SetLocks(numLock, capsLock));
        for (unsigned other : others)
            QVERIFY(m_peer.TapKey(XK_f, other));
        Barrier();
        QCOMPARE(m_owner.m_ids, QList<int>{});
        QVERIFY(m_peer.TapKey(XK_f, modifiers));
        QTRY_COMPARE(m_owner.m_ids, QList<int>{7});
    }

    void heldKeyIsDeliveredOnce_data() {
        QTest::addColumn<bool>("detectable");
        QTest::newRow("detectable auto-repeat") << true;
        // The server then sends a release and a press, with one time stamp, for every repeat.
        QTest::newRow("plain auto-repeat") << false;
    }
    void heldKeyIsDeliveredOnce() {
        QFETCH(bool, detectable);
        CX11HotKeysTestPeer inside(*m_pHotKeys);
        inside.SetDetectableAutoRepeat(detectable);
        QVERIFY(m_pHotKeys->RegisterHotKey(&m_owner, 3, 0, kVkF));
        m_peer.SetAutoRepeat(20, 10);
        QVERIFY(m_peer.FakeKey(XK_f, true));
        QTRY_VERIFY(inside.KeyPressesSeen() >= 5);  // the server is repeating
        QVERIFY(m_peer.FakeKey(XK_f, false));
        Barrier();
        QCOMPARE(m_owner.m_ids, QList<int>{3});
        // Released means released: the next press counts again.
        QVERIFY(m_peer.TapKey(XK_f));
        QTRY_COMPARE(m_owner.m_ids, (QList<int>{3, 3}));
    }

    void keyHeldByAnotherClientIsTaken() {
        // The other client holds only the CapsLock variant, so some of our four grabs succeed before one
        // fails.
        QCOMPARE(m_peer.GrabKey(XK_f, ShiftMask | LockMask), Success);
        QVERIFY(!m_pHotKeys->RegisterHotKey(&m_owner, 1, MOD_SHIFT, kVkF));
        QCOMPARE(m_pHotKeys->LastError(), kHotKeyErrorTaken);
        // None of them stayed: another client can take every other variant.
        for (unsigned variant : LockVariants()) {
            if (variant != LockMask)
                QCOMPARE(m_peer.GrabKey(XK_f, ShiftMask | variant), Success);
        }
        for (unsigned variant : LockVariants())
            m_peer.UngrabKey(XK_f, ShiftMask | variant);
        QVERIFY(m_pHotKeys->RegisterHotKey(&m_owner, 1, MOD_SHIFT, kVkF));
        QVERIFY(m_peer.TapKey(XK_f, MOD_SHIFT));
        QTRY_COMPARE(m_owner.m_ids, QList<int>{1});
    }

    void registrationsWithinTheProgram() {
        QVERIFY(m_pHotKeys->RegisterHotKey(&m_owner, 1, MOD_CONTROL, kVkF));
        // A key held by another owner of ours is taken; an id in use stays in use, whatever the key.
        QVERIFY(!m_pHotKeys->RegisterHotKey(&m_other, 2, MOD_CONTROL, kVkF));
        QCOMPARE(m_pHotKeys->LastError(), kHotKeyErrorTaken);
        QVERIFY(!m_pHotKeys->RegisterHotKey(&m_owner, 1, 0, kVkH));
        QCOMPARE(m_pHotKeys->LastError(), kHotKeyErrorTaken);
        QVERIFY(!m_pHotKeys->RegisterHotKey(&m_owner, 4, 0, 0x07));  // an unassigned code
        QCOMPARE(m_pHotKeys->LastError(), kHotKeyErrorNoKeySym);
        QVERIFY(!m_pHotKeys->RegisterHotKey(&m_owner, 4, 0, VK_F13));  // not on a US keyboard
        QCOMPARE(m_pHotKeys->LastError(), kHotKeyErrorNoKeyCode);
        QVERIFY(m_pHotKeys->RegisterHotKey(&m_owner, 3, 0, kVkH));
        QVERIFY(m_pHotKeys->RegisterHotKey(&m_other, 2, MOD_CONTROL | MOD_ALT, kVkF));

        // Unregistered, a grab is gone from the server in every lock variant and reaches nobody.
        QVERIFY(m_pHotKeys->UnregisterHotKey(&m_owner, 1));
        QVERIFY(!m_pHotKeys->UnregisterHotKey(&m_owner, 1));
        for (unsigned variant : LockVariants()) {
            QCOMPARE(m_peer.GrabKey(XK_f, ControlMask | variant), Success);
            m_peer.UngrabKey(XK_f, ControlMask | variant);
        }
        m_pHotKeys->UnregisterAll(&m_owner);
        // An owner may change its keys from its handler.
        m_other.m_onHotKey = [this](int id) {
            QVERIFY(m_pHotKeys->UnregisterHotKey(&m_other, id));
            QVERIFY(m_pHotKeys->RegisterHotKey(&m_other, 5, 0, kVkH));
        };
        QVERIFY(m_peer.TapKey(XK_f, MOD_CONTROL));
        QVERIFY(m_peer.TapKey(XK_h));
        QVERIFY(m_peer.TapKey(XK_f, MOD_CONTROL | MOD_ALT));
        QTRY_COMPARE(m_other.m_ids, QList<int>{2});
        QVERIFY(m_peer.TapKey(XK_f, MOD_CONTROL | MOD_ALT));
        QVERIFY(m_peer.TapKey(XK_h));
        QTRY_COMPARE(m_other.m_ids, (QList<int>{2, 5}));
        QCOMPARE(m_owner.m_ids, QList<int>{});
    }

    // Every virtual-key code with a keysym has one of its own, which is on a standard US
    // keyboard (all but F13 and up and the keypad separator of some locales). The Windows keys are modifiers
    // here, never the key of a shortcut.
    void everyKeyCodeMapsToAKeyOfItsOwn() {
        std::set<unsigned long> seen;
        for (unsigned vk = 0; vk < 0x100; ++vk) {
            const unsigned long keySym = VirtualKeyToKeySym(vk);
            if (keySym == NoSymbol)
                continue;
            QVERIFY2(seen.insert(keySym).second, XKeysymToString(keySym));
            if ((vk < 0x7C || vk > 0x87) && vk != 0x6C)
                QVERIFY2(m_peer.HasKey(keySym), XKeysymToString(keySym));
        }
        for (unsigned vk : {0x2Fu, 0x40u, 0x5Bu, 0x88u})
            QCOMPARE(VirtualKeyToKeySym(vk), NoSymbol);
    }

    // A server that goes away: the input fails its calls without ending the process and says why, and the
    // hotkey service, whose socket then reads as ready for ever, notices, says so once and stops reading.
    void lostServer() {
        testsupport::CScopedEnv display("DISPLAY", qgetenv("DISPLAY"));
        testsupport::CXvfb server;
        QString error;
        QVERIFY2(server.Start(&error), qPrintable(error));
        std::unique_ptr<IInput> input = CreateX11Input(&error);
        std::unique_ptr<CX11HotKeys> hotKeys = CreateX11HotKeys(&error);
        QVERIFY(input && hotKeys->RegisterHotKey(&m_owner, 1, 0, kVkF));
        CX11HotKeysTestPeer inside(*hotKeys);
        QVERIFY(inside.IsReading());
        QSignalSpy lost(hotKeys.get(), &CX11HotKeys::ConnectionLost);
        QCOMPARE(input->ErrorText(), QString());
        server.Stop();
        // Writes first: a write to a closed socket must not raise SIGPIPE either.
        const INPUT click[] = {Mouse(MOUSEEVENTF_LEFTDOWN), Mouse(MOUSEEVENTF_LEFTUP)};
        QVERIFY(input->SendInput(2, click, sizeof(INPUT)) < 2u);
        QVERIFY(!input->SetCursorPos(1, 1));
        POINT pt;
        QVERIFY(!input->GetCursorPos(&pt));
        QCOMPARE(input->ErrorText(), u"the X server connection was lost"_s);
        // Seen by the event loop alone, with no request of ours: a headless run learns of it so.
        QTRY_VERIFY(!inside.IsReading());
        QCOMPARE(lost.count(), 1);
        QVERIFY(!hotKeys->RegisterHotKey(&m_owner, 2, 0, kVkH));
        QCOMPARE(hotKeys->LastError(), kHotKeyErrorNoDisplay);
        QVERIFY(hotKeys->UnregisterHotKey(&m_owner, 1));

        testsupport::CScopedEnv noDisplay("DISPLAY", ":31999");
        QVERIFY(!CreateX11Input(&error));
        QCOMPARE(error,
                 u"Cannot open the X display \":31999\": Vantrell needs an X11 session (or XWayland)."_s);
    }

private:
    QPoint PeerPointer() {
        QPoint pt;
        return m_peer.QueryPointer(&pt.rx(), &pt.ry()) ? pt : QPoint(-1, -1);
    }
    std::vector<unsigned> LockVariants() {
        return {0u, unsigned{LockMask}, m_peer.NumLockMask(), m_peer.NumLockMask() | LockMask};
    }
    // Taps G, registered to the barrier owner, and waits for it: any delivery of an earlier tap has
    // arrived by then, because the server keeps the order of one client's requests.
    void Barrier() {
        const qsizetype expected = m_barrier.m_ids.size() + 1;
        QVERIFY(m_peer.TapKey(XK_g));
        QTRY_COMPARE(m_barrier.m_ids.size(), expected);
    }

    testsupport::CButtonRecorder m_recorder;
    testsupport::CX11Peer m_peer;
    std::unique_ptr<IInput> m_pInput;
    std::unique_ptr<CX11HotKeys> m_pHotKeys;
    COwner m_owner, m_other, m_barrier;
};

VANTRELL_X11_TEST_MAIN(TestX11, QGuiApplication)
#include "tst_x11.moc"
