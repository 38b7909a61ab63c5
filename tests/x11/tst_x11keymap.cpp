#include <QTest>
#include <set>

#include "platform/x11/KeyMap.h"
#include "tests/support/TestMain.h"

#include <X11/Xlib.h>

using platform::KeySymToVirtualKey;
using platform::VirtualKeyToKeySym;

class TestKeyMap : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rangesStartAndEndWhereTheyShould_data();
    void rangesStartAndEndWhereTheyShould();
    void everyCodeMapsBackToItself();
    void everyKeyIsOnAUsKeyboard();
};

void TestKeyMap::rangesStartAndEndWhereTheyShould_data() {
    QTest::addColumn<unsigned>("vk");
    QTest::addColumn<QString>("keySym");  // empty: no equivalent
    const auto row = [](unsigned vk, const char* name) {
        QTest::addRow("0x%02X", vk) << vk << QString::fromLatin1(name);
    };
    // The ends of each range, and the codes just outside.
    row(0x2F, "");
    row(0x30, "0");
    row(0x39, "9");
    row(0x40, "");
    row(0x41, "a");
    row(0x5A, "z");
    row(0x5B, "");  // the Windows keys are modifiers here, never the key of a shortcut
    row(0x60, "KP_0");
    row(0x6F, "KP_Divide");
    row(0x70, "F1");
    row(0x87, "F24");
    row(0x88, "");
    // The OEM codes name no symbol; these are the US layout's.
    row(0xBA, "semicolon");
    row(0xDE, "apostrophe");
}

void TestKeyMap::rangesStartAndEndWhereTheyShould() {
    QFETCH(unsigned, vk);
    QFETCH(QString, keySym);
    const unsigned long mapped = VirtualKeyToKeySym(vk);
    QCOMPARE(mapped == NoSymbol ? QString() : QString::fromLatin1(XKeysymToString(mapped)), keySym);
}

void TestKeyMap::everyCodeMapsBackToItself() {
    std::set<unsigned long> seen;
    for (unsigned vk = 0; vk < 0x100; ++vk) {
        const unsigned long keySym = VirtualKeyToKeySym(vk);
        if (keySym == NoSymbol)
            continue;
        QVERIFY2(seen.insert(keySym).second,
                 qPrintable(QStringLiteral("two codes give keysym %1").arg(keySym)));
        QCOMPARE(KeySymToVirtualKey(keySym), vk);
    }
    QCOMPARE(KeySymToVirtualKey(XStringToKeysym("Q")), 0x51u);
    QCOMPARE(KeySymToVirtualKey(XStringToKeysym("exclam")), 0u);
}

// Keys a standard US keyboard lacks: F13 and up, and the keypad separator of some locales.
void TestKeyMap::everyKeyIsOnAUsKeyboard() {
    Display* display = XOpenDisplay(nullptr);
    QVERIFY(display);
    for (unsigned vk = 0; vk < 0x100; ++vk) {
        const unsigned long keySym = VirtualKeyToKeySym(vk);
        if (keySym == NoSymbol || (vk >= 0x7C && vk <= 0x87) || vk == 0x6C)
            continue;
        QVERIFY2(XKeysymToKeycode(display, keySym) != 0, XKeysymToString(keySym));
    }
    XCloseDisplay(display);
}

VANTRELL_X11_TEST_MAIN(TestKeyMap, QCoreApplication)
#include "tst_x11keymap.moc"
