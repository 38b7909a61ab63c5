#include <sys/resource.h>
#include <unistd.h>
#include <QtTest>
#include <chrono>
#include <thread>

#include "platform/Wait.h"
#include "tests/support/TestMain.h"

using namespace std::chrono;
using platform::CStoppableWait;
using platform::CStopSignal;

class TestWait : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The run's thread may be preferred; the thread that started it (the window's) stays as it was.
    void onlyTheRunsThreadIsRaised() {
        const auto niceOfThisThread = [] { return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())); };
        const int before = niceOfThisThread();
        bool bRaised = false;
        int inRun = 0;
        std::thread run([&] {
            bRaised = platform::UsePreciseTimersOnThisThread();
            inRun = niceOfThisThread();
        });
        run.join();
        QCOMPARE(niceOfThisThread(), before);
        if (!bRaised)
            QSKIP("skipped: this user may not raise thread priorities");
        QCOMPARE(inRun, std::min(before, platform::kTimingNice));
    }

    // Time already spent since the moment given is not waited again; a deadline already past ends at once
    // and still counts as waited.
    void countsFromTheMomentGiven() {
        platform::UsePreciseTimersOnThisThread();
        CStopSignal stop;
        CStoppableWait wait(stop);
        const auto since = steady_clock::now() - milliseconds(40);
        QVERIFY(wait.SleepFrom(since, 60));
        const auto end = steady_clock::now();
        QVERIFY(end >= since + milliseconds(60));
        QVERIFY2(end - since < milliseconds(95), qPrintable(QString::number((end - since).count())));
        QVERIFY(wait.SleepFrom(end - seconds(5), 1000));
        QVERIFY(steady_clock::now() - end < milliseconds(50));
    }
};

VANTRELL_TEST_MAIN(TestWait)
#include "tst_wait.moc"
