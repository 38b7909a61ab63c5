// The window against a real X server: the pointer it moves and the function keys it claims are the real
// ones, pressed by another X client as a user would.

#include <QLabel>

#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Input.h"
#include "tests/support/X11Peer.h"
#include "tests/ui/UiFixture.h"
#include "ui/DlgAction.h"

using namespace uitest;

namespace {

constexpr unsigned long XK_F6 = 0xFFC3, XK_F7 = 0xFFC4;

// The window over the real input and hotkeys, which outlive it.
struct CRealWindow {
    QString error;
    std::unique_ptr<IInput> input = CreateX11Input(&error);
    std::unique_ptr<CX11HotKeys> hotKeys = CreateX11HotKeys(&error);
    CWindow w{*hotKeys, *input};
};

}  // namespace

class TestFrameX11 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QString error;
        QVERIFY2(m_peer.Open(&error), qPrintable(error));
    }

    void init() { ResetGlobals(); }

    // Locate X,Y moves the real pointer to the selected row; F6 pressed anywhere then adds a left click
    // there, after the user's default delay, until the setting gives the key up.
    void locateAndTheAddActionKey() {
        CRealWindow real;
        CWindow& w = real.w;
        g_settings.m_iDefaultTimeDelay = 350;
        QCOMPARE(w.view().AddButton().text(), u"Add New Mouse Click\n( F6 )"_s);
        w.view().AppendRow(MakeAction(DoubleClick, 333, 222, 0));
        w.view().ListCtrl().SelectRow(0);
        w.frame.CommandAction(ID_LOCATE_XY)->trigger();
        int x = 0, y = 0;
        QTRY_VERIFY(m_peer.QueryPointer(&x, &y) && x == 333 && y == 222);
        QVERIFY(!w.doc().IsModified());
        QVERIFY(m_peer.TapKey(XK_F6));
        QTRY_COMPARE(w.list().GetItemCount(), 2);
        const CMouseAction& a = *w.list().GetItemData(1);
        QCOMPARE((QList<int>{a.m_iClickType, a.m_iX, a.m_iY, int(a.m_dwDelay)}),
                 (QList<int>{LeftClick, 333, 222, 350}));
        QVERIFY(w.doc().IsModified());

        // Switched off in the settings, the key is given back to the desktop.
        g_settings.m_bAutoShortcut = 0;
        w.view().RefreshAddShortcut();
        QCOMPARE(w.view().AddButton().text(), u"Add New Mouse Click to Script"_s);
        QVERIFY(m_peer.GrabKey(XK_F6, 0) == 0);
        m_peer.UngrabKey(XK_F6, 0);
    }

    // With the view holding F6 the editor gets F7; F7 pressed anywhere takes the pointer's position, and
    // the editor gives the key back when it closes.
    void captureKeyOfTheEditor() {
        CRealWindow real;
        CMouseAction record = *MakeAction(LeftClick, 1, 2, 0);
        CDlgAction dlg(real.w.fakes.services, &real.w.frame);
        dlg.m_pAction = &record;
        dlg.show();
        QCOMPARE(dlg.findChild<QLabel*>(u"lblShortcutHint"_s)->text(),
                 u"Press F7 to Update X & Y with Current Location"_s);
        real.input->SetCursorPos(640, 480);
        QVERIFY(m_peer.TapKey(XK_F7));
        QTRY_COMPARE(dlg.findChild<QLineEdit*>(u"editX"_s)->text(), u"640"_s);
        QCOMPARE(dlg.findChild<QLineEdit*>(u"editY"_s)->text(), u"480"_s);
        dlg.reject();
        QCOMPARE(record.m_iX, 1);
        QVERIFY(m_peer.GrabKey(XK_F7, 0) == 0);
        m_peer.UngrabKey(XK_F7, 0);
    }

private:
    testsupport::CX11Peer m_peer;
};

VANTRELL_X11_TEST_MAIN(TestFrameX11, QApplication)
#include "tst_frame_x11.moc"
