// `vantrell --run FILE` on the wlroots back end, for bench/run until the program chooses its back end
// itself: the same headless runner, with the virtual pointer of WAYLAND_DISPLAY as its input.
//
//   bench_wayland_run FILE

#include <unistd.h>

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "app/RunCommand.h"
#include "platform/AppInfo.h"
#include "platform/wayland/WlrootsInput.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The program's own names, so the run reads its profile.
    QCoreApplication::setApplicationName(QString::fromUtf16(appinfo::kAppName));
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_wayland_run FILE\n");
        return 2;
    }
    QTextStream err(stderr);
    return RunScript(QString::fromLocal8Bit(argv[1]), CRunOptions{}, platform::CreateWlrootsInput, STDOUT_FILENO,
                     err);
}
