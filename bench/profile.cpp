// Times the profile work of a window's start, of opening a script and of its exit, on a profile that holds
// the program's own sections and megabytes of lines of no one's: junk sections after them, or junk entries
// inside the program's own section. Prints milliseconds per phase; it checks nothing.
//   bench_profile [MEGABYTES]     default 25
// Runs in a temporary XDG_CONFIG_HOME; the real profile is never touched.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

#include "platform/Profile.h"
#include "settings/Settings.h"
#include "ui/RecentFileList.h"

namespace {

const QString kSettings = QStringLiteral("Settings");

QByteArray OwnSections() {
    QByteArray text = "[Recent%20File%20List]\n";
    for (int i = 1; i <= 10; ++i)
        text += "File" + QByteArray::number(i) + "=/home/user/scripts/script " + QByteArray::number(i) +
                ".Vantrell\n";
    text +=
        "\n[Settings]\nColumn0=40\nColumn1=120\nColumn2=60\nColumn3=60\nColumn4=80\nColumn5=200\n"
        "m_bAutoShortcut=1\nm_bDeletionConfirmation=1\nm_iTimeUpdateInterval=500\nm_iMdMuMin=10\n"
        "m_iMdMuMax=30\nm_iDcMin=20\nm_iDcMax=40\nm_iDefaultTimeDelay=200\n";
    return text;
}

// Lines of about 64 bytes up to size bytes; under a section header of their own every 20 lines, or all in
// the program's own section.
QByteArray Junk(qint64 size, bool bOwnSection) {
    QByteArray text;
    text.reserve(size + 128);
    for (qint64 i = 0; text.size() < size; ++i) {
        if (!bOwnSection && i % 20 == 0)
            text += "\n[Junk" + QByteArray::number(i / 20) + "]\n";
        text += "junk" + QByteArray::number(i) + "=0123456789abcdef0123456789abcdef0123456789abcdef\n";
    }
    return text;
}

double Ms(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

void Measure(const char* name, const QString& path, const QByteArray& contents) {
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            qFatal("cannot write the profile");
    }
    QElapsedTimer timer;

    // The window's start: the recent files, the view's settings and column widths.
    timer.start();
    CRecentFileList recent;
    recent.Load();
    CSettings settings;
    settings.Load();
    int sum = 0;
    for (int c = 0; c < 6; ++c)
        sum += platform::GetProfileInt(kSettings, QStringLiteral("Column%1").arg(c), 50);
    const double start = Ms(timer);

    // Opening a script: the settings again, the script first in the recent files.
    timer.start();
    settings.Load();
    recent.Add(QStringLiteral("/home/user/scripts/new one.Vantrell"));
    const double open = Ms(timer);

    // The exit: the column widths stored, unchanged, then with one of them changed.
    timer.start();
    for (int c = 0; c < 6; ++c)
        platform::WriteProfileInt(kSettings, QStringLiteral("Column%1").arg(c),
                                  platform::GetProfileInt(kSettings, QStringLiteral("Column%1").arg(c), 50));
    const double exitSame = Ms(timer);
    timer.start();
    for (int c = 0; c < 6; ++c) {
        const QString column = QStringLiteral("Column%1").arg(c);
        platform::WriteProfileInt(kSettings, column,
                                  c == 5 ? 321 : platform::GetProfileInt(kSettings, column, 50));
    }
    const double exitChanged = Ms(timer);

    const qint64 bytes = QFileInfo(path).size();
    std::printf(
        "%-28s %6.1f MB  start %8.1f ms  open %8.1f ms  exit %8.1f ms  (one width changed: %8.1f ms)%s\n",
        name, double(bytes) / 1e6, start, open, exitSame, exitChanged, sum > 0 ? "" : " ?");
}

}  // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QCoreApplication app(argc, argv);
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 25;
    const QString dir = config.path() + QStringLiteral("/O r l e n b y");
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/Vantrell by Orlenby.conf");

    Measure("own sections only", path, OwnSections());
    Measure("junk sections after them", path, OwnSections() + Junk(megabytes * 1000000, false));
    Measure("junk inside [Settings]", path, OwnSections() + Junk(megabytes * 1000000, true));
    return 0;
}
