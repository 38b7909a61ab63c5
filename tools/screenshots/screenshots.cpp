// Renders the pictures of the README: the main window with a few rows, one of them green as during a
// run, and the action editor. Run through tools/screenshots, which gives it a private X server.

#include <QApplication>
#include <QDir>
#include <QTimer>

#include "app/MainFrame.h"
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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
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
    CServices services{*hotkeys, *input, messages, dialogs, shell, platform::CreateX11Input, true, true, {}};

    CMainFrame frame(services);
    frame.NewDocument();
    frame.Doc().SetTitle(QStringLiteral("order-entry.Vantrell"));
    CVantrellView& view = frame.View();
    view.AppendRow(Action(LeftClick, 412, 230, 500, "Open the order form"));
    view.AppendRow(Action(DoubleClick, 640, 318, 200, "Select the customer field"));
    view.AppendRow(Action(RightClick, 655, 402, 250, "Context menu of the item list"));
    view.AppendRow(Action(LeftClick, 702, 451, 150, "Paste"));
    view.AppendRow(Action(MiddleClick, -240, 96, 1000, "Second monitor: refresh"));
    view.List().SetColor(0, kColorExecuted);
    view.List().SetColor(1, kColorExecuted);
    view.ListCtrl().SelectRow(2);
    frame.show();
    QDir().mkpath(out);
    bool ok = Save(frame, out + QStringLiteral("/main-window.png"));

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
