// The window against a real X server: the pointer it moves and the function keys it claims are the real
// ones, pressed by another X client as a user would.

#include <QLabel>

#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Input.h"
#include "tests/support/X11Peer.h"
#include "tests/ui/UiFixture.h"

using namespace uitest;

namespace {

constexpr unsigned long XK_F6 = 0xFFC3;
constexpr unsigned long XK_F7 = 0xFFC4;

// The real input and hotkeys, made before the window that uses them and gone after it.
struct CRealServices {
    CRealServices() {
        QString error;
        input = CreateX11Input(&error);
        hotKeys = CreateX11HotKeys(&error);
        if (!input || !hotKeys)
            qFatal("no X11 services: %s", qPrintable(error));
    }
    std::unique_ptr<IInput> input;
    std::unique_ptr<CX11HotKeys> hotKeys;
};

}  // namespace

class TestFrameX11 : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QString error;
        QVERIFY2(m_peer.Open(&error), qPrintable(error));
    }

    void init() {
        g_settings = CSettings();
        g_settings.Save();
    }

    void locateMovesThePointer() {
        CRealServices real;
        CWindow w(*real.hotKeys, *real.input);
        w.view().AppendRow(MakeAction(LeftClick, 333, 222, 0));
        w.view().ListCtrl().SelectRow(0);
        w.frame.CommandAction(ID_LOCATE_XY)->trigger();
        int x = 0, y = 0;
        QTRY_VERIFY(m_peer.QueryPointer(&x, &y) && x == 333 && y == 222);
        QVERIFY(!w.doc().IsModified());
    }

    // F6 pressed anywhere adds a left click at the pointer after the user's default delay.
    void addActionKeyAppendsAtThePointer() {
        CRealServices real;
        CWindow w(*real.hotKeys, *real.input);
        g_settings.m_iDefaultTimeDelay = 350;
        QCOMPARE(w.view().AddButton().text(), u"Add New Mouse Click\n( F6 )"_s);
        w.AddRows(1);
        real.input->SetCursorPos(101, 202);
        QVERIFY(m_peer.TapKey(XK_F6));
        QTRY_COMPARE(w.list().GetItemCount(), 2);
        const CMouseAction& added = *w.list().GetItemData(1);
        QCOMPARE(added.m_iClickType, int(LeftClick));
        QCOMPARE(QPoint(added.m_iX, added.m_iY), QPoint(101, 202));
        QCOMPARE(added.m_dwDelay, 350u);
        QCOMPARE(w.list().Text(1, CActionList::ColSr), u"2"_s);
        QVERIFY(w.doc().IsModified());
    }

    // With the view holding F6 the editor gets F7; F7 pressed anywhere takes the pointer's position.
    void captureKeyOfTheEditor() {
        CRealServices real;
        CWindow w(*real.hotKeys, *real.input);
        CMouseAction record = *MakeAction(LeftClick, 1, 2, 0);
        CDlgAction dlg(w.fakes.services, &w.frame);
        dlg.m_pAction = &record;
        dlg.show();
        QCOMPARE(dlg.findChild<QLabel*>(u"lblShortcutHint"_s)->text(),
                 u"Press F7 to Update X & Y with Current Location"_s);
        real.input->SetCursorPos(640, 480);
        QVERIFY(m_peer.TapKey(XK_F7));
        QTRY_COMPARE(dlg.findChild<QLineEdit*>(u"editX"_s)->text(), u"640"_s);
        QCOMPARE(dlg.findChild<QLineEdit*>(u"editY"_s)->text(), u"480"_s);
        dlg.reject();
        QCOMPARE(QPoint(record.m_iX, record.m_iY), QPoint(1, 2));
        // The editor gave F7 back when it closed.
        QVERIFY(m_peer.GrabKey(XK_F7, 0) == 0);
        m_peer.UngrabKey(XK_F7, 0);
    }

private:
    testsupport::CX11Peer m_peer;
};

VANTRELL_X11_TEST_MAIN(TestFrameX11, QApplication)
#include "tst_frame_x11.moc"
