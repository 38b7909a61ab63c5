#include <QtTest>
#include <memory>

#include "engine/CaptureHotKey.h"
#include "tests/support/FakeHotKeys.h"
#include "tests/support/TestMain.h"

using testsupport::CFakeHotKeys;

namespace {

constexpr unsigned VK_F6 = 0x75;

struct COwner final : platform::IHotKeyOwner {
    void OnHotKey(int) override {}
};

// An owner as the windows are written: it keeps its capture key as a member and drops its hotkeys on the way
// out, before the member releases its key.
struct CWindowOwner final : platform::IHotKeyOwner {
    explicit CWindowOwner(platform::IHotKeys& hotKeys) : m_hotKeys(hotKeys), m_captureHotKey(hotKeys) {}
    ~CWindowOwner() { m_hotKeys.UnregisterAll(this); }
    void OnHotKey(int) override {}

    platform::IHotKeys& m_hotKeys;
    CCaptureHotKey m_captureHotKey;
};

}  // namespace

class CCaptureHotKeyTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Another program holds the first n keys of F6..F12 plainly, and F6..F12 with Ctrl.
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
        CFakeHotKeys hotKeys;
        for (unsigned vk = VK_F6; vk < VK_F6 + 7; ++vk) {
            hotKeys.OccupyByOtherProgram(platform::MOD_CONTROL, vk);
            if (vk < VK_F6 + taken)
                hotKeys.OccupyByOtherProgram(0, vk);
        }
        COwner owner;
        {
            CCaptureHotKey capture(hotKeys);
            QCOMPARE(capture.RegisterFirstFree(&owner), name);
            QCOMPARE(capture.KeyName(), name);
            QCOMPARE(capture.m_nId, 1);
            QVERIFY(capture.m_hOwner == &owner);
            QCOMPARE(hotKeys.Registrations().size(), std::size_t{name.isEmpty() ? 0u : 1u});
            if (!name.isEmpty()) {
                const auto& r = hotKeys.Registrations().front();
                QVERIFY(r.owner == &owner && r.id == 1 && r.modifiers == 0 && r.vk == VK_F6 + taken);
            }
            capture.Release();
            QCOMPARE(capture.m_nId, 0);
            QVERIFY(capture.KeyName().isEmpty());
            QVERIFY(hotKeys.Registrations().empty());
            capture.RegisterFirstFree(&owner);
        }
        // The destructor gives the key up as well.
        QVERIFY(hotKeys.Registrations().empty());
    }

    void ownersShareTheKeys() {
        CFakeHotKeys hotKeys;
        COwner view, editor, other;
        CCaptureHotKey viewKey(hotKeys), editorKey(hotKeys);
        QCOMPARE(viewKey.RegisterFirstFree(&view), QStringLiteral("F6"));
        QCOMPARE(editorKey.RegisterFirstFree(&editor), QStringLiteral("F7"));
        // Registering again keeps one key; handed to another owner, the first one's key does not stay behind.
        QCOMPARE(editorKey.RegisterFirstFree(&editor), QStringLiteral("F7"));
        QCOMPARE(editorKey.RegisterFirstFree(&other), QStringLiteral("F7"));
        QCOMPARE(hotKeys.Registrations().size(), std::size_t{2});
        QVERIFY(hotKeys.Registrations().back().owner == &other);
        // Once the editor closes, its key is free for the next one.
        editorKey.Release();
        CCaptureHotKey nextEditorKey(hotKeys);
        QCOMPARE(nextEditorKey.RegisterFirstFree(&editor), QStringLiteral("F7"));
    }

    // Both hold id 1: the release of an owner already gone must not take the other's key.
    void releaseAfterOwnerIsGoneTouchesNothing() {
        CFakeHotKeys hotKeys;
        auto first = std::make_unique<CWindowOwner>(hotKeys);
        auto second = std::make_unique<CWindowOwner>(hotKeys);
        QCOMPARE(first->m_captureHotKey.RegisterFirstFree(first.get()), QStringLiteral("F6"));
        QCOMPARE(second->m_captureHotKey.RegisterFirstFree(second.get()), QStringLiteral("F7"));
        first.reset();
        QCOMPARE(hotKeys.Registrations().size(), std::size_t{1});
        QVERIFY(hotKeys.Registrations().front().owner == second.get());
        QVERIFY(hotKeys.Press(0, VK_F6 + 1));
    }
};

VANTRELL_TEST_MAIN(CCaptureHotKeyTest)
#include "tst_capturehotkey.moc"
