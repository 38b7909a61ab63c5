// The window against a real X server: the pointer it moves and the function keys it claims are the real
// ones, pressed by another X client as a user would. The server is a 1920x1080 screen at Qt scaling 2, and
// where a window manager and a tray host are installed the window lives under them as on a desktop.

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QHeaderView>
#include <QStandardPaths>
#include <QStatusBar>

#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Input.h"
#include "tests/support/X11Peer.h"
#include "tests/ui/UiFixture.h"
#include "ui/DlgAction.h"

using namespace uitest;

namespace {

constexpr unsigned long XK_F6 = 0xFFC3, XK_F7 = 0xFFC4;

// Qt reads the scale once, when the application object is made.
const bool g_bScaled = qputenv("QT_SCALE_FACTOR", "2");

// A desktop's own programs on the suite's server: openbox as the window manager, trayer as the tray host.
// Each ends with this object.
class CDesktop {
public:
    ~CDesktop() {
        for (QProcess* process : {&m_tray, &m_wm}) {
            process->terminate();
            if (!process->waitForFinished(5000))
                process->kill();
            process->waitForFinished(5000);
        }
    }
    // Empty when started, else why not.
    QString StartWindowManager(testsupport::CX11Peer& peer) {
        // Ready once it has taken in a window of its own.
        return Start(m_wm, u"openbox"_s, {u"--sm-disable"_s},
                     [&] { return peer.SelectionOwned("WM_S0") && peer.WindowManagerTakesWindows(); });
    }
    QString StartTray(testsupport::CX11Peer& peer) {
        return Start(m_tray, u"trayer"_s, {u"--edge"_s, u"bottom"_s, u"--expand"_s, u"false"_s},
                     [&] { return peer.SelectionOwned("_NET_SYSTEM_TRAY_S0"); });
    }

private:
    static QString Start(QProcess& process, const QString& program, const QStringList& arguments,
                         const std::function<bool()>& ready) {
        const QString path = QStandardPaths::findExecutable(program);
        if (path.isEmpty())
            return program + u" is not installed"_s;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(path, arguments);
        if (!process.waitForStarted(10000))
            return program + u" did not start"_s;
        if (!QTest::qWaitFor(ready, 15000))
            return program + u" did not take its selection"_s;
        return {};
    }
    QProcess m_wm;
    QProcess m_tray;
};

// The window of the tray icon, once a tray host has docked it.
QWidget* DockedTrayIcon(testsupport::CX11Peer& peer, QRect* rect) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") != 0 || !widget->isVisible())
            continue;
        int x = 0, y = 0, width = 0, height = 0;
        bool docked = false;
        if (peer.Placement(widget->winId(), &x, &y, &width, &height, &docked) && docked && width > 1) {
            *rect = QRect(x, y, width, height);
            return widget;
        }
    }
    return nullptr;
}

// The docked icon's rectangle once the tray host has laid it out: the same twice, a moment apart.
bool SettledTrayIcon(testsupport::CX11Peer& peer, QRect* rect) {
    QRect before;
    if (!DockedTrayIcon(peer, &before))
        return false;
    QTest::qWait(200);
    return DockedTrayIcon(peer, rect) && *rect == before;
}

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
        QCOMPARE(w.view().AddButton().text(), u"&Add New Mouse Click\n( F6 )"_s);
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
        QCOMPARE(w.view().AddButton().text(), u"&Add New Mouse Click to Script"_s);
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

    // At scale 2 the 1920x1080 screen offers 960x540: the window and its minimum stay inside it, with
    // Start and the status bar on the screen; the list gives way but keeps rows in sight.
    void windowFitsTheScreen() {
        CWindow w;
        const QRect available = w.frame.screen()->availableGeometry();
        QCOMPARE(available.size(), QSize(960, 540));
        const auto inside = [&](QWidget& widget) {
            return available.contains(QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size()));
        };
        for (int round = 0; round < 2; ++round) {
            QTRY_VERIFY(m_peer.StateOf(w.frame.winId()).viewable);
            const QSize margins = w.frame.frameGeometry().size() - w.frame.size();
            QTRY_VERIFY2(available.contains(w.frame.frameGeometry()),
                         qPrintable(u"round %1: frame %2x%3, window %4x%5, minimum %6x%7"_s.arg(round)
                                        .arg(w.frame.frameGeometry().width())
                                        .arg(w.frame.frameGeometry().height())
                                        .arg(w.frame.width())
                                        .arg(w.frame.height())
                                        .arg(w.frame.minimumWidth())
                                        .arg(w.frame.minimumHeight())));
            QVERIFY(w.frame.minimumWidth() + margins.width() <= available.width());
            QVERIFY(w.frame.minimumHeight() + margins.height() <= available.height());
            QVERIFY(inside(w.view().StartStopButton()));
            QVERIFY(inside(*w.frame.statusBar()));
            QVERIFY(w.view().ListCtrl().viewport()->height() >=
                    3 * w.view().ListCtrl().verticalHeader()->defaultSectionSize());
            // Every new script fits the window again.
            w.docs().OnFileNew();
        }
    }

    // Shown again from the tray, the window comes back normal, raised and active, whatever minimized it
    // before it went into the tray: the run's automatic minimize, or the fallback to minimizing while no
    // tray was there. The icon is clicked where the tray host shows it, and the window manager's own state
    // of the window is what counts.
    void showFromTheTray_data() {
        QTest::addColumn<bool>("fallbackFirst");
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("after the run's minimize, icon clicked") << false << false;
        QTest::newRow("after the no-tray fallback, icon clicked") << true << false;
        QTest::newRow("after the run's minimize, Show") << false << true;
    }
    void showFromTheTray() {
        QFETCH(bool, fallbackFirst);
        QFETCH(bool, fromMenu);
        CDesktop desktop;
        if (const QString why = desktop.StartWindowManager(m_peer); !why.isEmpty())
            QSKIP(qPrintable(u"skipped: "_s + why));
        CWindow w;
        QPushButton* hide = w.frame.findChild<QPushButton*>(u"btnHide"_s);
        const WId id = w.frame.winId();
        const auto state = [&] { return m_peer.StateOf(id); };
        QTRY_VERIFY(state().viewable);

        if (fallbackFirst) {
            QTest::mouseClick(hide, Qt::LeftButton);
        } else {
            if (const QString why = desktop.StartTray(m_peer); !why.isEmpty())
                QSKIP(qPrintable(u"skipped: "_s + why));
            w.view().AppendRow(MakeAction(LeftClick, 5, 5, 60000));
            g_scriptHeader.m_bAutoMinimize = 1;
            w.view().UpdateData(false);
            w.view().OnStartStop();
            w.view().StopRun();
        }
        QTRY_VERIFY(state().iconic && !state().viewable);
        // Restored by the user through the window manager, as a task bar does.
        m_peer.Activate(id);
        QTRY_VERIFY(state().viewable && !state().iconic && !state().hidden);
        if (fallbackFirst) {
            if (const QString why = desktop.StartTray(m_peer); !why.isEmpty())
                QSKIP(qPrintable(u"skipped: "_s + why));
        }

        QTest::mouseClick(hide, Qt::LeftButton);
        QTRY_VERIFY(!state().viewable);
        QRect icon;
        QTRY_VERIFY_WITH_TIMEOUT(SettledTrayIcon(m_peer, &icon), 15000);
        if (fromMenu) {
            QAction* show = nullptr;
            for (QMenu* menu : w.frame.findChildren<QMenu*>())
                for (QAction* action : menu->actions())
                    show = action->text() == u"Show"_s ? action : show;
            QVERIFY(show);
            show->trigger();
        } else {
            m_peer.Click(icon.center().x(), icon.center().y());
        }
        QTRY_VERIFY(state().viewable && !state().iconic && !state().hidden);
        QTRY_VERIFY(!w.frame.isMinimized() && w.frame.isActiveWindow());
        QVERIFY(state().viewable && !state().iconic && !state().hidden);
        QTRY_VERIFY(!DockedTrayIcon(m_peer, &icon));
    }

private:
    testsupport::CX11Peer m_peer;
};

VANTRELL_X11_TEST_MAIN_SCREEN(TestFrameX11, QApplication, 1920, 1080)
#include "tst_frame_x11.moc"
