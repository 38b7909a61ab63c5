#include <unistd.h>
#include <QApplication>
#include <QCommandLineParser>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <map>

#include "app/Backend.h"
#include "app/ControlService.h"
#include "app/MainFrame.h"
#include "app/PrintCommand.h"
#include "app/RunCommand.h"
#include "app/StopSignals.h"
#include "platform/AppInfo.h"
#include "platform/QuietThread.h"
#include "platform/x11/X11HotKeys.h"
#include "platform/x11/X11Input.h"
#include "engine/HotKeyIds.h"
#include "ui/DesktopHotKeys.h"
#include "ui/DocManager.h"
#include "ui/QtServices.h"

namespace {

// Commands that answer in the terminal and never open a window, so they work without a display.
bool IsConsoleCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* name :
             {"--print", "--run", "--dry-run", "--help", "-h", "--help-all", "--version", "-v"}) {
            if (std::strcmp(argv[i], name) == 0)
                return true;
        }
        // The commands to a running window.
        for (const char* name : {"--toggle", "--start", "--stop"}) {
            if (std::strcmp(argv[i], name) == 0)
                return true;
        }
        if (std::strncmp(argv[i], "--print=", 8) == 0 || std::strncmp(argv[i], "--run=", 6) == 0)
            return true;
    }
    return false;
}

void SetApplicationNames() {
    QCoreApplication::setApplicationName(QString::fromUtf16(appinfo::kAppName));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTRELL_VERSION));
}

struct Options {
    // Our own help, so that it names the program as it is called from a PATH and lists the exit statuses.
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Displays help on commandline options.")};
    QCommandLineOption print{QStringLiteral("print"), PrintOptionDescription(), QStringLiteral("file")};
    QCommandLineOption run{QStringLiteral("run"), QStringLiteral("Play a script without a window and exit."),
                           QStringLiteral("file")};
    QCommandLineOption dryRun{QStringLiteral("dry-run"),
                              QStringLiteral("With --run: print the run's moves, clicks and waits instead of "
                                             "performing them.")};
    QCommandLineOption backend{QStringLiteral("backend"),
                               QStringLiteral("Click through this back end instead of the session's own: x11, "
                                              "wlroots (sway and other wlroots compositors) or portal (GNOME, "
                                              "KDE)."),
                               QStringLiteral("name")};
    // Commands to the running window.
    QCommandLineOption toggle{
        QStringLiteral("toggle"),
        QStringLiteral("Start the script in the running Vantrell window, or stop its run "
                       "(a key of the desktop can run this).")};
    QCommandLineOption start{QStringLiteral("start"),
                             QStringLiteral("Start the script in the running Vantrell window.")};
    QCommandLineOption stop{QStringLiteral("stop"),
                            QStringLiteral("Stop the run in the running Vantrell window.")};
};

// --backend's value, read before Qt starts: it decides which platform Qt's windows use.
QString ForcedBackend(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--backend") == 0 && i + 1 < argc)
            return QString::fromLocal8Bit(argv[i + 1]);
        if (std::strncmp(argv[i], "--backend=", 10) == 0)
            return QString::fromLocal8Bit(argv[i] + 10);
    }
    return {};
}

void SetUpParser(QCommandLineParser& parser, Options& options) {
    parser.setApplicationDescription(QStringLiteral("Plays back scripts of mouse clicks."));
    parser.addOption(options.help);
    parser.addVersionOption();
    parser.addOptions({options.print, options.run, options.dryRun, options.backend});
    parser.addOptions({options.toggle, options.start, options.stop});
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A script to open."),
                                 QStringLiteral("[file]"));
}

// The parser's help with the program's name, not the path it was started by, and the exit statuses that
// the manual page lists.
QString HelpText(const QCommandLineParser& parser) {
    QString text = parser.helpText();
    const QString usage = QStringLiteral("Usage: ") + QCoreApplication::arguments().constFirst();
    if (text.startsWith(usage))
        text.replace(0, usage.size(), QStringLiteral("Usage: vantrell"));
    return text + QStringLiteral(
                      "\nExit status:\n"
                      "  0    Success.\n"
                      "  1    No X display, a script without actions, wrong options, an X server\n"
                      "       that went away during the run, or output that could not be written\n"
                      "       (a full disk).\n"
                      "  2    A script file that cannot be read or is not a regular file (a FIFO,\n"
                      "       a device, a folder).\n"
                      "  130  A run stopped by Ctrl+C, SIGTERM or SIGHUP.\n"
                      "The window ends on SIGINT, SIGTERM and SIGHUP too, without asking to save\n"
                      "the script, with status 128 plus the signal's number.\n");
}

int RunConsole(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    SetApplicationNames();
    QCommandLineParser parser;
    Options options;
    SetUpParser(parser, options);
    parser.process(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (parser.isSet(options.help)) {
        out << HelpText(parser);
        return 0;
    }
    if (parser.isSet(options.print))
        return PrintScript(parser.value(options.print), out, err);
    if (parser.isSet(options.run)) {
        CRunOptions run;
        run.bDryRun = parser.isSet(options.dryRun);
        const QString forced = parser.value(options.backend);
        const CBackendChoice backend = ChooseBackend(forced);
        // A back end asked for by name that cannot start is a usage error; a session without one is a run
        // with no way to inject, which the run reports itself.
        if (!backend.Ok() && !forced.isEmpty() && !run.bDryRun) {
            err << "vantrell: " << backend.error << Qt::endl;
            return 2;
        }
        // The script's own shortcut stops the run; without an X display there is none to listen to.
        // Its connection, watched by the event loop, also tells at once when the X server goes away.
        std::unique_ptr<platform::CX11HotKeys> hotkeys;
        if (!run.bDryRun && backend.Ok() && backend.kind == EBackend::X11) {
            hotkeys = platform::CreateX11HotKeys(nullptr);
            run.watchDisplay = [&hotkeys](QObject* context, std::function<void()> onLost) {
                QObject::connect(hotkeys.get(), &platform::CX11HotKeys::ConnectionLost, context,
                                 std::move(onLost));
            };
        }
        platform::InputFactory makeInput = InputFactoryFor(backend.kind);
        if (!backend.Ok()) {
            makeInput = [error = backend.error](QString* why) -> std::unique_ptr<platform::IInput> {
                if (why)
                    *why = error;
                return nullptr;
            };
        }
        return RunScript(parser.value(options.run), run, makeInput, STDOUT_FILENO, err, hotkeys.get());
    }
    QStringList actions;
    for (const QCommandLineOption* option : {&options.toggle, &options.start, &options.stop}) {
        if (parser.isSet(*option))
            actions << option->names().constFirst();
    }
    if (actions.size() > 1) {
        err << "vantrell: --toggle, --start and --stop go alone" << Qt::endl;
        return 1;
    }
    if (!actions.isEmpty())
        return control::SendAction(actions.constFirst(), err);
    if (parser.isSet(options.dryRun)) {
        err << "vantrell: --dry-run goes with --run FILE" << Qt::endl;
        return 1;
    }
    out << HelpText(parser);
    return 1;
}

int Fail(const QString& message) {
    std::fprintf(stderr, "vantrell: %s\n", qPrintable(message));
    return 1;
}

// Tells why the window cannot start, in a message box when a display can show one, and gives the status.
int FailToStart(int argc, char** argv, const QString& message, int status) {
    std::fprintf(stderr, "vantrell: %s\n", qPrintable(message));
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        QApplication app(argc, argv);
        SetApplicationNames();
        CQtMessageBox().MessageBox(nullptr, QStringLiteral("Vantrell cannot start: %1").arg(message),
                                   platform::MB_OK | platform::MB_ICONERROR);
    }
    return status;
}

int RunWindow(int argc, char** argv) {
    const QString forced = ForcedBackend(argc, argv);
    const CBackendChoice backend = ChooseBackend(forced);
    // Asked for by name and unable to start: a usage error, as on the command line.
    if (!backend.Ok())
        return FailToStart(argc, argv, backend.error, forced.isEmpty() ? 1 : 2);
    SelectQtPlatform(backend.kind);
    QString error;
    std::unique_ptr<platform::IInput> input = InputFactoryFor(backend.kind)(&error);
    if (!input)
        return Fail(error);

    // Qt's own threads, started with the application, leave the stop signals to this thread.
    platform::BlockStopSignals(true);
    QApplication app(argc, argv);
    SetApplicationNames();
    // Hotkeys are delivered through the event loop, so the service comes after the application object.
    // Without system-wide keys they work while a Vantrell window has the focus.
    // On Wayland the script's start/stop shortcut is also one of the whole desktop where the desktop portal
    // offers global shortcuts (KDE Plasma, GNOME 48 and later, Hyprland); the portal is asked once the
    // window shows, without waiting for it.
    std::unique_ptr<platform::IHotKeys> hotkeys;
    CDesktopHotKeys* desktopHotKeys = nullptr;
    if (HasGlobalKeys(backend.kind)) {
        hotkeys = platform::CreateX11HotKeys(&error);
        if (!hotkeys)
            return Fail(error);
    } else {
        auto desktop = std::make_unique<CDesktopHotKeys>(std::map<int, CDesktopHotKeys::SGlobalId>{
            {HOTKEY_START_STOP, {QStringLiteral("start-stop"), QStringLiteral("Start or stop the Vantrell script")}}});
        desktopHotKeys = desktop.get();
        hotkeys = std::move(desktop);
    }
    QCommandLineParser parser;
    Options options;
    SetUpParser(parser, options);
    parser.process(app);

    CQtMessageBox messages;
    CQtFileDialogs fileDialogs;
    CDesktopShell shell;
    CServices services{*hotkeys, *input, messages, fileDialogs, shell, InputFactoryFor(backend.kind),
                       ReadsPointer(backend.kind), HasGlobalKeys(backend.kind), BackendDescription(backend.kind)};
    CMainFrame frame(services);
    // A signal ends the program as a closed window does, but asks nothing: the run stops, its button is
    // released, and an unsaved script stays unsaved.
    CStopSignals signalStop([&frame](int signal) { frame.EndOnSignal(signal); });
    const QStringList files = parser.positionalArguments();
    frame.NewDocument();
    // A script named on the command line that cannot be opened has been reported; the program ends.
    if (!files.isEmpty() && !frame.DocManager().OpenDocumentFile(files.constFirst()))
        return frame.EndStatus() != 0 ? frame.EndStatus() : 2;
    // A signal during a question of the opening has ended the program already.
    if (frame.EndStatus() != 0)
        return frame.EndStatus();
    frame.show();
    // `vantrell --toggle` and the desktop's Start and Stop reach the window from here on.
    CControlService control(frame);
    control.Register();
    // Where no key can be taken for the whole desktop, the window says once how to bind --toggle instead.
    if (desktopHotKeys) {
        QObject::connect(desktopHotKeys, &CDesktopHotKeys::Probed, &frame, [&frame](bool global) {
            if (!global)
                frame.TellHowToBindToggle();
        });
        QTimer::singleShot(0, desktopHotKeys, [desktopHotKeys] { desktopHotKeys->Probe(); });
    }
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (IsConsoleCommand(argc, argv))
        return RunConsole(argc, argv);
    return RunWindow(argc, argv);
}
