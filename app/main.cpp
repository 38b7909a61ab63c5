#include <QApplication>
#include <QCommandLineParser>
#include <QHeaderView>
#include <QMainWindow>
#include <QTableView>
#include <QTextStream>
#include <cstdio>
#include <cstring>

#include "app/PrintCommand.h"
#include "script/ActionList.h"
#include "settings/Settings.h"

namespace {

// Commands that answer in the terminal and never open a window, so they work without a display.
bool IsConsoleCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* name : {"--print", "--help", "-h", "--help-all", "--version", "-v"}) {
            if (std::strcmp(argv[i], name) == 0 || std::strncmp(argv[i], "--print=", 8) == 0)
                return true;
        }
    }
    return false;
}

void SetUpParser(QCommandLineParser& parser, QCommandLineOption& print) {
    parser.setApplicationDescription(QStringLiteral("Plays back scripts of mouse clicks."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(print);
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
    SetUpParser(parser, print);
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (parser.isSet(print))
        return PrintScript(parser.value(print), out, err);
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
