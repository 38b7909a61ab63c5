#include <QtTest>
#include <memory>

#include "engine/CaptureHotKey.h"
#include "platform/VirtualKeys.h"
#include "tests/support/FakeHotKeys.h"
#include "tests/support/TestMain.h"

using namespace Qt::StringLiterals;
using platform::VK_F6;

namespace {

// An owner as the windows are written: it keeps its capture key as a member and drops its hotkeys on the way
// out, before the member releases its key.
struct COwner final : platform::IHotKeyOwner {
    explicit COwner(platform::IHotKeys& hotKeys) : m_hotKeys(hotKeys), m_captureHotKey(hotKeys) {}
    ~COwner() { m_hotKeys.UnregisterAll(this); }
    void OnHotKey(int) override {}

    platform::IHotKeys& m_hotKeys;
    CCaptureHotKey m_captureHotKey;
};

}  // namespace

class TestCaptureHotKey : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Another program holds the first n keys of F6..F12 plainly, and all of them with Ctrl.
    void firstFreeKeyIsTaken_data() {
        QTest::addColumn<unsigned>("taken");
        QTest::addColumn<QString>("name");
        QTest::newRow("none") << 0u << "F6";
        QTest::newRow("F6, F7") << 2u << "F8";
        QTest::newRow("up to F11") << 6u << "F12";
        QTest::newRow("all seven") << 7u << "";
    }
    void firstFreeKeyIsTaken() {
        QFETCH(unsigned, taken);
        QFETCH(QString, name);
        testsupport::CFakeHotKeys hotKeys;
        for (unsigned vk = VK_F6; vk < VK_F6 + 7; ++vk) {
            hotKeys.OccupyByOtherProgram(platform::MOD_CONTROL, vk);
            if (vk < VK_F6 + taken)
                hotKeys.OccupyByOtherProgram(0, vk);
        }
        auto owner = std::make_unique<COwner>(hotKeys);
        CCaptureHotKey& capture = owner->m_captureHotKey;
        QCOMPARE(capture.RegisterFirstFree(owner.get()), name);
        QCOMPARE(capture.KeyName(), name);
        QCOMPARE(hotKeys.Registrations().size(), std::size_t{name.isEmpty() ? 0u : 1u});
        if (!name.isEmpty()) {
            const auto& r = hotKeys.Registrations().front();
            QVERIFY(r.owner == owner.get() && r.id == 1 && r.modifiers == 0 && r.vk == VK_F6 + taken);
            // Registering again gives up the key held before.
            QCOMPARE(capture.RegisterFirstFree(owner.get()), name);
            QCOMPARE(hotKeys.Registrations().size(), std::size_t{1});
        }

        // A second owner gets the next key, if any. Both hold id 1: when the first owner goes, the release of
        // its capture key after its own UnregisterAll must not take the other's.
        auto second = std::make_unique<COwner>(hotKeys);
        const QString next = taken < 6 ? u"F%1"_s.arg(7 + taken) : QString();
        QCOMPARE(second->m_captureHotKey.RegisterFirstFree(second.get()), next);
        owner.reset();
        QCOMPARE(hotKeys.Registrations().size(), std::size_t{next.isEmpty() ? 0u : 1u});
        QCOMPARE(hotKeys.Press(0, VK_F6 + taken + 1), !next.isEmpty());
        second->m_captureHotKey.Release();
        QVERIFY(second->m_captureHotKey.KeyName().isEmpty());
        QVERIFY(hotKeys.Registrations().empty());
    }
};

VANTRELL_TEST_MAIN(TestCaptureHotKey)
#include "tst_capturehotkey.moc"
