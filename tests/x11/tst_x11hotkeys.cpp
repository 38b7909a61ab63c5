#include <QSocketNotifier>
#include <QTest>
#include <functional>

#include "platform/x11/X11HotKeys.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestMain.h"
#include "tests/support/X11Peer.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace platform;

namespace platform {

// Reaches what a test needs to see or switch inside the service.
class CX11HotKeysTestPeer {
public:
    explicit CX11HotKeysTestPeer(CX11HotKeys& hotKeys) : m_hotKeys(hotKeys) {}
    unsigned KeyPressesSeen() const { return m_hotKeys.m_nKeyPressesSeen; }
    void SetDetectableAutoRepeat(bool enable) { m_hotKeys.SetDetectableAutoRepeat(enable); }
    bool HasDetectableAutoRepeat() const { return m_hotKeys.m_bDetectableAutoRepeat; }
    bool IsReading() const { return m_hotKeys.m_pNotifier && m_hotKeys.m_pNotifier->isEnabled(); }

private:
    CX11HotKeys& m_hotKeys;
};

}  // namespace platform

namespace {

constexpr unsigned kVkF = 0x46, kVkH = 0x48, kVkF13 = 0x7C;

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

class TestX11HotKeys : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QString error;
        QVERIFY2(m_peer.Open(&error), qPrintable(error));
    }
    void init() {
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

    // The grab must hold whatever lock keys are on, and only for exactly its own modifiers.
    void pressReachesItsOwner_data() {
        QTest::addColumn<unsigned>("modifiers");
        QTest::addColumn<QList<unsigned>>("others");  // combinations that must not reach it
        QTest::addColumn<bool>("numLock");
        QTest::addColumn<bool>("capsLock");
        QTest::newRow("Ctrl") << MOD_CONTROL << QList<unsigned>{0, MOD_CONTROL | MOD_SHIFT} << false << false;
        QTest::newRow("Ctrl, NumLock") << MOD_CONTROL << QList<unsigned>{} << true << false;
        QTest::newRow("Ctrl, CapsLock") << MOD_CONTROL << QList<unsigned>{} << false << true;
        QTest::newRow("Ctrl+Shift, both locks")
            << (MOD_CONTROL | MOD_SHIFT) << QList<unsigned>{MOD_CONTROL, MOD_CONTROL | MOD_SHIFT | MOD_ALT}
            << true << true;
        QTest::newRow("Alt") << MOD_ALT << QList<unsigned>{0, MOD_ALT | MOD_SHIFT} << false << false;
        QTest::newRow("Win") << MOD_WIN << QList<unsigned>{0, MOD_WIN | MOD_CONTROL} << false << false;
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
        QCOMPARE(inside.HasDetectableAutoRepeat(), detectable);
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
        // A key held by another owner or id of ours is taken; an id in use stays in use, whatever the key.
        QVERIFY(!m_pHotKeys->RegisterHotKey(&m_other, 2, MOD_CONTROL, kVkF));
        QCOMPARE(m_pHotKeys->LastError(), kHotKeyErrorTaken);
        QVERIFY(!m_pHotKeys->RegisterHotKey(&m_owner, 1, 0, kVkH));
        QCOMPARE(m_pHotKeys->LastError(), kHotKeyErrorTaken);
        QVERIFY(m_pHotKeys->RegisterHotKey(&m_other, 2, MOD_CONTROL | MOD_ALT, kVkF));
        QVERIFY(m_pHotKeys->RegisterHotKey(&m_owner, 3, 0, kVkH));
        QVERIFY(!m_pHotKeys->RegisterHotKey(&m_owner, 4, 0, 0x07));  // an unassigned code
        QCOMPARE(m_pHotKeys->LastError(), kHotKeyErrorNoKeySym);
        QVERIFY(!m_pHotKeys->RegisterHotKey(&m_owner, 4, 0, kVkF13));  // not on a US keyboard
        QCOMPARE(m_pHotKeys->LastError(), kHotKeyErrorNoKeyCode);

        // The refusals left the registrations alone.
        QVERIFY(m_peer.TapKey(XK_f, MOD_CONTROL));
        QVERIFY(m_peer.TapKey(XK_f, MOD_CONTROL | MOD_ALT));
        QTRY_COMPARE(m_other.m_ids, QList<int>{2});
        QCOMPARE(m_owner.m_ids, QList<int>{1});

        // Unregistered, a grab is gone from the server in every lock variant and reaches nobody.
        QVERIFY(m_pHotKeys->UnregisterHotKey(&m_owner, 1));
        QVERIFY(!m_pHotKeys->UnregisterHotKey(&m_owner, 1));
        QVERIFY(!m_pHotKeys->UnregisterHotKey(&m_other, 1));
        for (unsigned variant : LockVariants()) {
            QCOMPARE(m_peer.GrabKey(XK_f, ControlMask | variant), Success);
            m_peer.UngrabKey(XK_f, ControlMask | variant);
        }
        m_pHotKeys->UnregisterAll(&m_owner);
        QVERIFY(m_peer.TapKey(XK_f, MOD_CONTROL));
        QVERIFY(m_peer.TapKey(XK_h));
        QVERIFY(m_peer.TapKey(XK_f, MOD_CONTROL | MOD_ALT));
        QTRY_COMPARE(m_other.m_ids, (QList<int>{2, 2}));
        QCOMPARE(m_owner.m_ids, QList<int>{1});
    }

    void ownerMayUnregisterFromItsHandler() {
        m_owner.m_onHotKey = [this](int id) {
            QVERIFY(m_pHotKeys->UnregisterHotKey(&m_owner, id));
            QVERIFY(m_pHotKeys->RegisterHotKey(&m_owner, id + 1, 0, kVkH));
        };
        QVERIFY(m_pHotKeys->RegisterHotKey(&m_owner, 1, 0, kVkF));
        QVERIFY(m_peer.TapKey(XK_f));
        QTRY_COMPARE(m_owner.m_ids, QList<int>{1});
        QVERIFY(m_peer.TapKey(XK_f));
        QVERIFY(m_peer.TapKey(XK_h));
        QTRY_COMPARE(m_owner.m_ids, (QList<int>{1, 2}));
    }

    void withoutServer() {
        {
            testsupport::CScopedEnv display("DISPLAY", ":31999");
            QString error;
            std::unique_ptr<CX11HotKeys> hotKeys = CreateX11HotKeys(&error);
            QVERIFY(!hotKeys->IsConnected());
            QVERIFY(error.startsWith(QStringLiteral("Cannot open the X display \":31999\"")));
            QVERIFY(!hotKeys->RegisterHotKey(&m_owner, 1, 0, kVkF));
            QCOMPARE(hotKeys->LastError(), kHotKeyErrorNoDisplay);
        }

        // A server that goes away: the socket reads as ready for ever, so the service must notice and stop.
        testsupport::CScopedEnv display("DISPLAY", qgetenv("DISPLAY"));
        testsupport::CXvfb server;
        QString error;
        QVERIFY2(server.Start(&error), qPrintable(error));
        std::unique_ptr<CX11HotKeys> hotKeys = CreateX11HotKeys(&error);
        QVERIFY(hotKeys->RegisterHotKey(&m_owner, 1, 0, kVkF));
        CX11HotKeysTestPeer inside(*hotKeys);
        QVERIFY(inside.IsReading());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("lost its connection")));
        server.Stop();
        QTRY_VERIFY(!inside.IsReading());
        QVERIFY(!hotKeys->IsConnected());
        QVERIFY(!hotKeys->RegisterHotKey(&m_owner, 2, 0, kVkH));
        QCOMPARE(hotKeys->LastError(), kHotKeyErrorNoDisplay);
        QVERIFY(hotKeys->UnregisterHotKey(&m_owner, 1));
    }

private:
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

    testsupport::CX11Peer m_peer;
    std::unique_ptr<CX11HotKeys> m_pHotKeys;
    COwner m_owner, m_other, m_barrier;
};

VANTRELL_X11_TEST_MAIN(TestX11HotKeys, QCoreApplication)
#include "tst_x11hotkeys.moc"
