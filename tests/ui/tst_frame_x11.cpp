// The window against a real X server: the pointer it moves and the function keys it claims are the real
// ones, pressed by another X client as a user would.

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include "app/MainFrame.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Input.h"
#include "script/VantrellDoc.h"
#include "settings/Settings.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/TestMain.h"
#include "tests/support/X11Peer.h"
#include "ui/DlgAction.h"
#include "ui/VantrellView.h"

namespace {

constexpr unsigned long XK_F6 = 0xFFC3;
constexpr unsigned long XK_F7 = 0xFFC4;

struct CRealWindow {
    CRealWindow() {
        QString error;
        input = platform::CreateX11Input(&error);
        hotKeys = platform::CreateX11HotKeys(&error);
        fakes = std::make_unique<testsupport::CFakeServices>(*hotKeys, *input);
        frame = std::make_unique<CMainFrame>(fakes->services);
        frame->NewDocument();
        frame->show();
    }
    ~CRealWindow() {
        frame.reset();  // before the services it uses
    }
    std::unique_ptr<platform::IInput> input;
    std::unique_ptr<platform::CX11HotKeys> hotKeys;
    std::unique_ptr<testsupport::CFakeServices> fakes;
    std::unique_ptr<CMainFrame> frame;
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
        CRealWindow w;
        auto row = std::make_unique<CMouseAction>();
        row->m_iX = 333;
        row->m_iY = 222;
        w.frame->View().AppendRow(std::move(row));
        w.frame->View().ListCtrl().SelectRow(0);
        w.frame->CommandAction(ID_LOCATE_XY)->trigger();
        int x = 0, y = 0;
        QTRY_VERIFY(m_peer.QueryPointer(&x, &y) && x == 333 && y == 222);
    }

    void addActionKeyAppendsAtThePointer() {
        CRealWindow w;
        QCOMPARE(w.frame->View().AddButton().text(), QStringLiteral("Add New Mouse Click\n( F6 )"));
        w.input->SetCursorPos(101, 202);
        QVERIFY(m_peer.TapKey(XK_F6));
        QTRY_COMPARE(w.frame->View().List().GetItemCount(), 1);
        QCOMPARE(w.frame->View().List().GetItemData(0)->m_iX, 101);
        QCOMPARE(w.frame->View().List().GetItemData(0)->m_iY, 202);
        QVERIFY(w.frame->Doc().IsModified());
    }

    // With the view holding F6 the editor gets F7; F7 pressed anywhere takes the pointer's position.
    void captureKeyOfTheEditor() {
        CRealWindow w;
        CMouseAction record;
        record.m_iX = 1;
        record.m_iY = 2;
        CDlgAction dlg(w.fakes->services, w.frame.get());
        dlg.m_pAction = &record;
        dlg.show();
        auto* hint = dlg.findChild<QLabel*>(QStringLiteral("lblShortcutHint"));
        QCOMPARE(hint->text(), QStringLiteral("Press F7 to Update X & Y with Current Location"));
        w.input->SetCursorPos(640, 480);
        QVERIFY(m_peer.TapKey(XK_F7));
        auto* x = dlg.findChild<QLineEdit*>(QStringLiteral("editX"));
        auto* y = dlg.findChild<QLineEdit*>(QStringLiteral("editY"));
        QTRY_COMPARE(x->text(), QStringLiteral("640"));
        QCOMPARE(y->text(), QStringLiteral("480"));
        dlg.reject();
        QCOMPARE(record.m_iX, 1);
        QCOMPARE(record.m_iY, 2);
        // The editor gave F7 back when it closed.
        QVERIFY(m_peer.GrabKey(XK_F7, 0) == 0);
        m_peer.UngrabKey(XK_F7, 0);
    }

private:
    testsupport::CX11Peer m_peer;
};

VANTRELL_X11_TEST_MAIN(TestFrameX11, QApplication)
#include "tst_frame_x11.moc"
