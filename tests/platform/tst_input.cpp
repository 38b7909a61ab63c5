#include <QtTest>

#include "platform/Input.h"
#include "tests/support/TestMain.h"

using namespace platform;

namespace {

// Writes each button event as "L+" or "R-" and fails the event numbered failAt (from 0).
class CLogInput final : public CButtonInput {
public:
    CLogInput(QStringList& log, int failAt, bool bDelivered)
        : m_log(log), m_iFailAt(failAt), m_bDelivered(bDelivered) {}
    ~CLogInput() override {
        m_iFailAt = -1;
        ReleaseHeld();
    }
    bool SetCursorPos(int, int) override { return true; }
    bool GetCursorPos(POINT*) override { return false; }

private:
    bool Button(EMouseButton button, bool bPress) override {
        if (m_iEvent++ == m_iFailAt)
            return false;
        m_log << QStringLiteral("%1%2").arg(QChar("LRM"[static_cast<int>(button)]),
                                            QChar(bPress ? '+' : '-'));
        return true;
    }
    bool Deliver() override { return m_bDelivered; }

    QStringList& m_log;
    int m_iFailAt;
    bool m_bDelivered;
    int m_iEvent = 0;
};

}  // namespace

class TestInput : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // What a call counts when an event fails or the connection is lost, and that a button left down is
    // released when the input goes.
    void recordsCountWholeAndNothingStaysDown_data() {
        QTest::addColumn<QList<uint32_t>>("flags");  // a record per entry; 0x10000 marks one of another type
        QTest::addColumn<int>("failAt");
        QTest::addColumn<bool>("delivered");
        QTest::addColumn<unsigned>("count");
        QTest::addColumn<QStringList>("events");  // the call's, then the destructor's
        const uint32_t leftClick = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP;
        QTest::newRow("flag order, other types skipped")
            << QList<uint32_t>{MOUSEEVENTF_RIGHTUP | MOUSEEVENTF_RIGHTDOWN | MOUSEEVENTF_MOVE,
                               0x10000 | leftClick, MOUSEEVENTF_MIDDLEDOWN}
            << -1 << true << 2u << QStringList{"R+", "R-", "M+", "M-"};
        QTest::newRow("a failed release stops the walk")
            << QList<uint32_t>{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_RIGHTDOWN | MOUSEEVENTF_RIGHTUP, leftClick}
            << 2 << true << 1u << QStringList{"L+", "R+", "L-", "R-"};
        QTest::newRow("lost on delivery") << QList<uint32_t>{leftClick, MOUSEEVENTF_MIDDLEDOWN} << -1 << false
                                          << 0u << QStringList{"L+", "L-", "M+", "M-"};
    }
    void recordsCountWholeAndNothingStaysDown() {
        QFETCH(QList<uint32_t>, flags);
        QFETCH(int, failAt);
        QFETCH(bool, delivered);
        QFETCH(unsigned, count);
        QStringList log;
        {
            std::vector<INPUT> inputs(static_cast<size_t>(flags.size()));
            for (size_t i = 0; i < inputs.size(); ++i) {
                inputs[i].type = flags[static_cast<qsizetype>(i)] >> 16;
                inputs[i].mi.dwFlags = flags[static_cast<qsizetype>(i)] & 0xFFFF;
            }
            CLogInput input(log, failAt, delivered);
            QCOMPARE(input.SendInput(0, inputs.data(), sizeof(INPUT)), 0u);
            QCOMPARE(input.SendInput(1, inputs.data(), sizeof(INPUT) - 1), 0u);
            QCOMPARE(input.SendInput(static_cast<unsigned>(inputs.size()), inputs.data(), sizeof(INPUT)),
                     count);
        }
        QTEST(log, "events");
    }
};

VANTRELL_TEST_MAIN(TestInput)
#include "tst_input.moc"
