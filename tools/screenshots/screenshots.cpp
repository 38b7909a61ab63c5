// Renders the pictures of the README: the main window during a run (executed rows green, the count, the
// clock), the action editor, and the main window at 200% scaling and with a dark palette. Run through
// tools/screenshots.sh, which gives it a private X server.
//
//   vantrell_screenshots OUTDIR            main-window.png and action-editor.png
//   vantrell_screenshots OUTDIR 200        main-window-200.png, at a scale factor of 2
//   vantrell_screenshots OUTDIR dark       main-window-dark.png, with a dark palette

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPalette>
#include <QStyleFactory>
#include <QTimer>

#include "app/MainFrame.h"
#include "platform/RecordingInput.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Input.h"
#include "script/VantrellDoc.h"
#include "ui/DlgAction.h"
#include "ui/QtServices.h"
#include "ui/VantrellView.h"

namespace {

std::unique_ptr<CMouseAction> Action(int type, int x, int y, uint32_t delay, const char* comment) {
    auto a = std::make_unique<CMouseAction>();
    a->m_iClickType = type;
    a->m_iX = x;
    a->m_iY = y;
    a->m_dwDelay = delay;
    a->m_strComment = QString::fromUtf8(comment);
    return a;
}

bool Save(QWidget& widget, const QString& path) {
    QApplication::processEvents();
    const bool ok = widget.grab().save(path);
    std::fprintf(stderr, "%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

// Lets the event loop run until done() holds, for at most timeoutMs.
bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

QPalette DarkPalette() {
    QPalette p;
    const QColor window(45, 45, 48), base(30, 30, 30), text(225, 225, 225), disabled(128, 128, 128);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Light, QColor(70, 70, 74));
    p.setColor(QPalette::Midlight, QColor(60, 60, 64));
    p.setColor(QPalette::Mid, QColor(40, 40, 42));
    p.setColor(QPalette::Dark, QColor(25, 25, 26));
    p.setColor(QPalette::Shadow, Qt::black);
    p.setColor(QPalette::Link, QColor(90, 160, 240));
    p.setColor(QPalette::Highlight, QColor(42, 110, 190));
    p.setColor(QPalette::HighlightedText, Qt::white);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    const QString variant = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (variant == u"200")
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
    if (variant == u"dark") {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(DarkPalette());
    }
    QString error;
    auto input = platform::CreateX11Input(&error);
    auto hotkeys = platform::CreateX11HotKeys(&error);
    if (!input || !hotkeys) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    CQtMessageBox messages;
    CQtFileDialogs dialogs;
    CDesktopShell shell;
    // The run is a real one, but its clicks are written down instead of made, so it cannot click into the
    // window it is pictured in.
    platform::CEventLog clicks;
    CServices services{
        *hotkeys, *input,
        messages, dialogs,
        shell,    [&clicks](QString*) {
                           return std::make_unique<platform::CRecordingInput>(clicks); },
        true, true, {}};

    CMainFrame frame(services);
    frame.NewDocument();
    frame.Doc().SetTitle(QStringLiteral("order-entry.Vantrell"));
    CVantrellView& view = frame.View();
    view.AppendRow(Action(LeftClick, 412, 230, 0, "Open the order form"));
    view.AppendRow(Action(DoubleClick, 640, 318, 0, "Select the customer field"));
    view.AppendRow(Action(RightClick, 655, 402, 0, "Context menu of the item list"));
    // The run waits here while the picture is taken.
    view.AppendRow(Action(LeftClick, 702, 451, 30000, "Paste"));
    view.AppendRow(Action(DoubleMiddleClick, -240, 96, 1000, "Second monitor: refresh"));
    view.AppendRow(Action(DoubleRightClick, 1210, 64, 250, "Options of the report"));
    frame.show();
    // The window fits itself again while it looks for the window manager's frame, in its first seconds;
    // after that it keeps the size it is given.
    WaitFor([] { return false; }, 3500);
    // A little wider than fitted, so the comments show whole: Comment takes the width the window gains.
    frame.resize(frame.width() + frame.fontMetrics().averageCharWidth() * 24, frame.height());
    QDir().mkpath(out);

    // A run started as from the button, pictured once three actions are done and the clock and the cursor
    // position have been written.
    const QString executed = QStringLiteral("Executed 3 Action(s)");
    view.OnStartStop();
    bool ok = WaitFor([&] { return view.ExecutionInfo().text() == executed; }, 10000);
    WaitFor([] { return false; }, 1200);
    if (!ok)
        std::fprintf(stderr, "the run did not reach its third action\n");
    const QString name =
        variant.isEmpty() ? QStringLiteral("main-window") : QStringLiteral("main-window-") + variant;
    ok = Save(frame, out + QStringLiteral("/") + name + QStringLiteral(".png")) && ok;
    view.OnStartStop();
    WaitFor([&] { return !view.IsRunning(); }, 10000);
    if (!variant.isEmpty())
        return ok ? 0 : 1;

    CMouseAction record = *view.List().GetItemData(1);
    CDlgAction dlg(services, &frame);
    dlg.m_pAction = &record;
    dlg.m_bEditMode = true;
    dlg.show();
    QTimer::singleShot(700, &app, [&] {
        ok = Save(dlg, out + QStringLiteral("/action-editor.png")) && ok;
        app.quit();
    });
    app.exec();
    return ok ? 0 : 1;
}
