#include <QtTest>
#include <memory>

#include "engine/CaptureHotKey.h"
#include "tests/support/FakeHotKeys.h"
#include "tests/support/TestMain.h"

using testsupport::CFakeHotKeys;

namespace {

constexpr unsigned VK_F6 = 0x75;
constexpr unsigned VK_F7 = 0x76;
constexpr unsigned VK_F8 = 0x77;
constexpr unsigned VK_F12 = 0x7B;

struct COwner final : platform::IHotKeyOwner {
    void OnHotKey(int id) override { m_received.push_back(id); }
    std::vector<int> m_received;
};

// An owner as the windows are written: it keeps its capture key as a member and drops its hotkeys on the way
// out.
class CWindowOwner final : public platform::IHotKeyOwner {
public:
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
    void fakeCountsOurOwnKeysAsTaken() {
        CFakeHotKeys hotKeys;
        COwner a, b;
        QVERIFY(hotKeys.RegisterHotKey(&a, 1, 0, VK_F6));
        QVERIFY(!hotKeys.RegisterHotKey(&b, 1, 0, VK_F6));
        QCOMPARE(hotKeys.LastError(), platform::kHotKeyErrorTaken);
        QVERIFY(!hotKeys.RegisterHotKey(&a, 2, 0, VK_F6));
        QCOMPARE(hotKeys.LastError(), platform::kHotKeyErrorTaken);
        QVERIFY(!hotKeys.RegisterHotKey(&a, 1, 0, VK_F7));
        QCOMPARE(hotKeys.LastError(), CFakeHotKeys::kErrorAlreadyRegistered);
        // Another modifier makes another combination.
        QVERIFY(hotKeys.RegisterHotKey(&b, 1, platform::MOD_SHIFT, VK_F6));
        QCOMPARE(hotKeys.Registrations().size(), std::size_t{2});
    }

    void firstFreeKeyIsTaken() {
        CFakeHotKeys hotKeys;
        COwner owner;
        CCaptureHotKey capture(hotKeys);
        QCOMPARE(capture.m_nId, 0);
        QVERIFY(capture.m_hOwner == nullptr);

        QCOMPARE(capture.RegisterFirstFree(&owner), QStringLiteral("F6"));
        QCOMPARE(capture.KeyName(), QStringLiteral("F6"));
        QCOMPARE(capture.m_nId, 1);
        QVERIFY(capture.m_hOwner == &owner);
        QCOMPARE(hotKeys.Registrations().size(), std::size_t{1});
        const auto& r = hotKeys.Registrations().front();
        QVERIFY(r.owner == &owner);
        QCOMPARE(r.id, 1);
        QCOMPARE(r.modifiers, 0u);
        QCOMPARE(r.vk, VK_F6);
    }

    void keysOfAnotherProgramAreSkipped() {
        CFakeHotKeys hotKeys;
        hotKeys.OccupyByOtherProgram(0, VK_F6);
        hotKeys.OccupyByOtherProgram(0, VK_F7);
        // Held with a modifier only, so plain F8 is free.
        hotKeys.OccupyByOtherProgram(platform::MOD_CONTROL, VK_F8);
        COwner owner;
        CCaptureHotKey capture(hotKeys);
        QCOMPARE(capture.RegisterFirstFree(&owner), QStringLiteral("F8"));
        QCOMPARE(hotKeys.Attempts().size(), std::size_t{3});
        QCOMPARE(hotKeys.Registrations().front().vk, VK_F8);
    }

    void noFreeKeyGivesEmptyName() {
        CFakeHotKeys hotKeys;
        for (unsigned vk = VK_F6; vk <= VK_F12; ++vk)
            hotKeys.OccupyByOtherProgram(0, vk);
        COwner owner;
        {
            CCaptureHotKey capture(hotKeys);
            QVERIFY(capture.RegisterFirstFree(&owner).isEmpty());
            QVERIFY(capture.KeyName().isEmpty());
            QCOMPARE(capture.m_nId, 1);
            QVERIFY(hotKeys.Registrations().empty());

            // Tried in order F6 to F12, plainly, as id 1.
            QCOMPARE(hotKeys.Attempts().size(), std::size_t{7});
            for (unsigned i = 0; i < 7; ++i) {
                const auto& attempt = hotKeys.Attempts().at(i);
                QCOMPARE(attempt.what.vk, VK_F6 + i);
                QCOMPARE(attempt.what.modifiers, 0u);
                QCOMPARE(attempt.what.id, 1);
            }

            capture.Release();
            QCOMPARE(capture.m_nId, 0);
            capture.Release();
        }
        QVERIFY(hotKeys.Registrations().empty());
        QCOMPARE(hotKeys.Attempts().size(), std::size_t{7});
    }

    void secondOwnerGetsTheNextKey() {
        CFakeHotKeys hotKeys;
        COwner view, editor;
        CCaptureHotKey viewKey(hotKeys), editorKey(hotKeys);
        QCOMPARE(viewKey.RegisterFirstFree(&view), QStringLiteral("F6"));
        QCOMPARE(editorKey.RegisterFirstFree(&editor), QStringLiteral("F7"));

        // Once the editor closes, its key is free for the next one.
        editorKey.Release();
        CCaptureHotKey nextEditorKey(hotKeys);
        QCOMPARE(nextEditorKey.RegisterFirstFree(&editor), QStringLiteral("F7"));
        QCOMPARE(hotKeys.Registrations().size(), std::size_t{2});
    }

    void registeringAgainKeepsOneKey() {
        CFakeHotKeys hotKeys;
        hotKeys.OccupyByOtherProgram(0, VK_F6);
        COwner owner;
        CCaptureHotKey capture(hotKeys);
        QCOMPARE(capture.RegisterFirstFree(&owner), QStringLiteral("F7"));
        QCOMPARE(capture.RegisterFirstFree(&owner), QStringLiteral("F7"));
        QCOMPARE(hotKeys.Registrations().size(), std::size_t{1});

        // Meanwhile F6 came free: a new call takes it instead.
        hotKeys.FreeFromOtherProgram(0, VK_F6);
        QCOMPARE(capture.RegisterFirstFree(&owner), QStringLiteral("F6"));
        QCOMPARE(hotKeys.Registrations().size(), std::size_t{1});
        QCOMPARE(hotKeys.Registrations().front().vk, VK_F6);

        // Handed to another owner, the first one's key does not stay behind.
        COwner other;
        QCOMPARE(capture.RegisterFirstFree(&other), QStringLiteral("F6"));
        QCOMPARE(hotKeys.Registrations().size(), std::size_t{1});
        QVERIFY(hotKeys.Registrations().front().owner == &other);
    }

    void releaseGivesTheKeyUp() {
        CFakeHotKeys hotKeys;
        COwner owner;
        {
            CCaptureHotKey capture(hotKeys);
            capture.RegisterFirstFree(&owner);
            capture.Release();
            QCOMPARE(capture.m_nId, 0);
            QVERIFY(capture.KeyName().isEmpty());
            QVERIFY(hotKeys.Registrations().empty());

            capture.RegisterFirstFree(&owner);
            QCOMPARE(hotKeys.Registrations().size(), std::size_t{1});
        }
        // The destructor gives it up as well.
        QVERIFY(hotKeys.Registrations().empty());
    }

    void releaseAfterOwnerIsGoneTouchesNothing() {
        CFakeHotKeys hotKeys;
        auto first = std::make_unique<CWindowOwner>(hotKeys);
        auto second = std::make_unique<CWindowOwner>(hotKeys);
        QCOMPARE(first->m_captureHotKey.RegisterFirstFree(first.get()), QStringLiteral("F6"));
        QCOMPARE(second->m_captureHotKey.RegisterFirstFree(second.get()), QStringLiteral("F7"));

        first.reset();
        QCOMPARE(hotKeys.Registrations().size(), std::size_t{1});
        QVERIFY(hotKeys.Registrations().front().owner == second.get());
        QVERIFY(hotKeys.Press(0, VK_F7));
        QVERIFY(!hotKeys.Press(0, VK_F6));
    }

    void pressedKeyReachesTheOwner() {
        CFakeHotKeys hotKeys;
        hotKeys.OccupyByOtherProgram(0, VK_F6);
        COwner view, editor;
        CCaptureHotKey viewKey(hotKeys), editorKey(hotKeys);
        viewKey.RegisterFirstFree(&view);
        editorKey.RegisterFirstFree(&editor);

        QVERIFY(hotKeys.Press(0, VK_F8));
        QVERIFY(hotKeys.Press(0, VK_F7));
        QVERIFY(!hotKeys.Press(platform::MOD_SHIFT, VK_F7));
        QVERIFY(!hotKeys.Press(0, VK_F6));  // the other program's
        QCOMPARE(view.m_received, std::vector<int>{1});
        QCOMPARE(editor.m_received, std::vector<int>{1});
    }
};

VANTRELL_TEST_MAIN(CCaptureHotKeyTest)
#include "tst_capturehotkey.moc"
