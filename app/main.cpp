#include <QApplication>
#include <QCommandLineParser>
#include <QHeaderView>
#include <QMainWindow>
#include <QTableView>
#include <QTextStream>
#include <cstdio>
#include <cstring>

#include "app/PrintCommand.h"
#include "app/RunCommand.h"
#include "script/ActionList.h"
#include "settings/Settings.h"

namespace {

// Commands that answer in the terminal and never open a window, so they work without a display.
bool IsConsoleCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* name :
             {"--print", "--run", "--dry-run", "--help", "-h", "--help-all", "--version", "-v"}) {
            if (std::strcmp(argv[i], name) == 0)
                return true;
        }
        if (std::strncmp(argv[i], "--print=", 8) == 0 || std::strncmp(argv[i], "--run=", 6) == 0)
            return true;
    }
    return false;
}

// The X11 input service comes with the X11 back end; until it is here, a real run has nothing to inject with.
std::unique_ptr<platform::IInput> CreateRunInput(QString* error) {
    if (error)
        *error = QStringLiteral("X11 input is not available in this build");
    return nullptr;
}

void SetUpParser(QCommandLineParser& parser, const QList<QCommandLineOption>& options) {
    parser.setApplicationDescription(QStringLiteral("Plays back scripts of mouse clicks."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(options);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A script to open."),
                                 QStringLiteral("[file]"));
}

void SetApplicationNames() {
    QCoreApplication::setApplicationName(QStringLiteral("Vantrell"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTRELL_VERSION));
}

int RunConsole(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SetApplicationNames();
    QCommandLineParser parser;
    QCommandLineOption print(QStringLiteral("print"), QStringLiteral("Print a script file and exit."),
                             QStringLiteral("file"));
    QCommandLineOption run(QStringLiteral("run"), QStringLiteral("Play a script without a window and exit."),
                           QStringLiteral("file"));
    QCommandLineOption dryRun(QStringLiteral("dry-run"),
                              QStringLiteral("With --run: print the run's moves, clicks and waits instead of "
                                             "performing them."));
    SetUpParser(parser, {print, run, dryRun});
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (parser.isSet(print))
        return PrintScript(parser.value(print), out, err);
    if (parser.isSet(run)) {
        CRunOptions options;
        options.bDryRun = parser.isSet(dryRun);
        return RunScript(parser.value(run), options, CreateRunInput, out, err);
    }
    if (parser.isSet(dryRun)) {
        err << "vantrell: --dry-run goes with --run FILE" << Qt::endl;
        return 1;
    }
    parser.showHelp(1);
}

}  // namespace

int main(int argc, char** argv) {
    if (IsConsoleCommand(argc, argv))
        return RunConsole(argc, argv);

    // The input and hotkey services are X11 ones; under Wayland, run through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr,
                     "vantrell: no X display (DISPLAY is not set); Vantrell needs an X11 session "
                     "or XWayland.\n");
        return 1;
    }
    QApplication app(argc, argv);
    SetApplicationNames();
    g_settings.Load();

    CActionList rows;
    g_pActionList = &rows;
    QMainWindow window;
    auto* view = new QTableView(&window);
    view->setModel(&rows);
    view->verticalHeader()->hide();
    for (int c = 0; c < CActionList::ColumnCount; ++c)
        view->setColumnWidth(c, CActionList::DefaultColumnWidth(c));
    window.setCentralWidget(view);
    window.setWindowTitle(QStringLiteral("Untitled - Vantrell"));
    window.resize(520, 400);
    window.show();
    return app.exec();
}
