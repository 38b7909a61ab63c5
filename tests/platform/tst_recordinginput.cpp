#include <QtTest>

#include "platform/RecordingInput.h"
#include "tests/support/TestMain.h"

using namespace platform;

class CRecordingInputTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rendersTheDryRunLines();
    void waitAnswersTheStop();
    void takeHandsOnInPortions();
};

void CRecordingInputTest::rendersTheDryRunLines() {
    CEventLog log;
    CRecordingInput input(log);
    CRecordingWait wait(log);

    input.SetCursorPos(-5, 7);
    QVERIFY(wait.Sleep(0));
    QVERIFY(wait.Sleep(20));
    INPUT records[3];
    records[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    records[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    records[2].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    QCOMPARE(input.SendInput(3, records, static_cast<int>(sizeof(INPUT))), 3u);
    for (uint32_t flags :
         {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP}) {
        INPUT one;
        one.mi.dwFlags = flags;
        input.SendInput(1, &one, static_cast<int>(sizeof(INPUT)));
    }

    QCOMPARE(log.Render(), QStringLiteral("move -5 7\nwait 20\ndown left\nup left\ninput 0x8001\n"
                                          "down middle\nup middle\ndown right\nup right\n"));
    // The zero wait is not shown but was asked for.
    QCOMPARE(log.Events().size(), std::size_t{10});
    POINT pt;
    QVERIFY(input.GetCursorPos(&pt));
    QCOMPARE(pt, (POINT{-5, 7}));
}

void CRecordingInputTest::waitAnswersTheStop() {
    CEventLog log;
    CStopSignal stop;
    CRecordingWait wait(log, &stop);
    QVERIFY(wait.Sleep(5));
    stop.Raise();
    QVERIFY(!wait.Sleep(6));
    QVERIFY(!wait.Sleep(0));
    stop.Reset();
    QVERIFY(wait.Sleep(7));

    const auto events = log.Events();
    QCOMPARE(events.size(), std::size_t{4});
    QVERIFY(events[0].bCompleted && !events[1].bCompleted && !events[2].bCompleted && events[3].bCompleted);
    QCOMPARE(log.Lines(),
             (QStringList{QStringLiteral("wait 5"), QStringLiteral("wait 6"), QStringLiteral("wait 7")}));
}

void CRecordingInputTest::takeHandsOnInPortions() {
    CEventLog log;
    CRecordingInput input(log);
    CRecordingWait wait(log);
    input.SetCursorPos(1, 2);
    wait.Sleep(0);
    auto first = log.Take();
    QCOMPARE(first.size(), std::size_t{2});
    QCOMPARE(CEventLog::Line(first[0]), QStringLiteral("move 1 2"));
    QCOMPARE(CEventLog::Line(first[1]), QString());  // no pause, no line
    QVERIFY(log.Events().empty());
    wait.Sleep(9);
    const auto second = log.Take();
    QCOMPARE(second.size(), std::size_t{1});
    QCOMPARE(CEventLog::Line(second[0]), QStringLiteral("wait 9"));
}

VANTRELL_TEST_MAIN(CRecordingInputTest)
#include "tst_recordinginput.moc"
