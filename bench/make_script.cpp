// Writes the scripts that the benchmarks play, through the program's own writer, and the same clicks as an
// xdotool command file, so that both tools are given identical work.
//
//   bench_make_script OUT.Vantrell --count N --delay MS [--first-delay MS] [--rect X,Y,WxH]
//                     [--hotkey VK[,MODIFIERS]] [--xdotool OUT.xdo]

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/ClickPattern.h"
#include "script/ActionList.h"
#include "script/ScriptFile.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: bench_make_script OUT.Vantrell --count N --delay MS [--first-delay MS] "
                 "[--rect X,Y,WxH] [--hotkey VK[,MODIFIERS]] [--xdotool OUT.xdo]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const char* out = nullptr;
    const char* xdotoolOut = nullptr;
    long count = -1;
    long delay = -1;
    long firstDelay = -1;
    unsigned long hotKey = 0, modifiers = 0;
    SBenchRect rect{8, 8, 1264, 1008};
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--count") == 0 && hasValue) {
            count = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--delay") == 0 && hasValue) {
            delay = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--first-delay") == 0 && hasValue) {
            firstDelay = std::strtol(argv[++i], nullptr, 10);
        } else if (std::strcmp(argv[i], "--rect") == 0 && hasValue) {
            if (!ParseBenchRect(argv[++i], &rect))
                return Usage();
        } else if (std::strcmp(argv[i], "--hotkey") == 0 && hasValue) {
            if (std::sscanf(argv[++i], "%lx,%lx", &hotKey, &modifiers) < 1)
                return Usage();
        } else if (std::strcmp(argv[i], "--xdotool") == 0 && hasValue) {
            xdotoolOut = argv[++i];
        } else if (argv[i][0] != '-' && !out) {
            out = argv[i];
        } else {
            return Usage();
        }
    }
    if (!out || count < 1 || count > 10'000'000 || delay < 0 || delay > 1'000'000 || firstDelay > 1'000'000 ||
        hotKey > 0xFF || modifiers > 0x0F)
        return Usage();
    if (firstDelay < 0)
        firstDelay = delay;

    std::vector<std::unique_ptr<CMouseAction>> made;
    made.reserve(static_cast<size_t>(count));
    for (int n = 0; n < count; ++n) {
        auto action = std::make_unique<CMouseAction>();
        const SBenchPoint p = BenchClickPosition(n, rect);
        action->m_iClickType = LeftClick;
        action->m_iX = p.x;
        action->m_iY = p.y;
        action->m_dwDelay = static_cast<uint32_t>(n == 0 ? firstDelay : delay);
        made.push_back(std::move(action));
    }
    CActionList rows;
    rows.AppendAll(made);
    CScriptHeader header;
    header.m_wHotKeyCode = static_cast<uint16_t>(hotKey);
    header.m_wHotKeyModifiers = static_cast<uint16_t>(modifiers);
    QString error;
    if (!WriteScriptFile(QString::fromLocal8Bit(out), header, rows, &error)) {
        std::fprintf(stderr, "bench_make_script: %s: %s\n", out, qPrintable(error));
        return 1;
    }

    if (xdotoolOut) {
        // mousedown and mouseup, not click: xdotool's click sleeps after every click unless told not to.
        QFile file(QString::fromLocal8Bit(xdotoolOut));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "bench_make_script: %s: %s\n", xdotoolOut, qPrintable(file.errorString()));
            return 1;
        }
        QTextStream text(&file);
        for (int n = 0; n < count; ++n) {
            const SBenchPoint p = BenchClickPosition(n, rect);
            text << "mousemove " << p.x << ' ' << p.y << " mousedown 1 mouseup 1\n";
        }
    }
    return 0;
}
