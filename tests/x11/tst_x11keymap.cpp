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
    // The ends of each range, and the codes just outside. The Windows keys (0x5B) are modifiers here, never
    // the key of a shortcut; the OEM codes name no symbol, and these are the US layout's.
    void rangesStartAndEndWhereTheyShould() {
        const std::pair<unsigned, const char*> expected[] = {
            {0x2F, ""},    {0x30, "0"}, {0x39, "9"},         {0x40, ""},          {0x41, "a"},
            {0x5A, "z"},   {0x5B, ""},  {0x60, "KP_0"},      {0x6F, "KP_Divide"}, {0x70, "F1"},
            {0x87, "F24"}, {0x88, ""},  {0xBA, "semicolon"}, {0xDE, "apostrophe"}};
        for (const auto& [vk, name] : expected) {
            const unsigned long keySym = VirtualKeyToKeySym(vk);
            QCOMPARE(keySym == NoSymbol ? "" : XKeysymToString(keySym), name);
        }
    }

    // Every code maps to a keysym of its own and back; all but F13 and up and the keypad separator of some
    // locales are on a standard US keyboard.
    void everyCodeMapsBackToAKeyOfAUsKeyboard() {
        Display* display = XOpenDisplay(nullptr);
        QVERIFY(display);
        std::set<unsigned long> seen;
        for (unsigned vk = 0; vk < 0x100; ++vk) {
            const unsigned long keySym = VirtualKeyToKeySym(vk);
            if (keySym == NoSymbol)
                continue;
            QVERIFY2(seen.insert(keySym).second, XKeysymToString(keySym));
            QCOMPARE(KeySymToVirtualKey(keySym), vk);
            if ((vk < 0x7C || vk > 0x87) && vk != 0x6C)
                QVERIFY2(XKeysymToKeycode(display, keySym) != 0, XKeysymToString(keySym));
        }
        XCloseDisplay(display);
        QCOMPARE(KeySymToVirtualKey(XStringToKeysym("Q")), 0x51u);
        QCOMPARE(KeySymToVirtualKey(XStringToKeysym("exclam")), 0u);
    }
};

VANTRELL_X11_TEST_MAIN(TestKeyMap, QCoreApplication)
#include "tst_x11keymap.moc"
