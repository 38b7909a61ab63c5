// The action records and the row store that the list shows and the file writer reads.

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>
#include <thread>

#include "script/ActionList.h"
#include "settings/Settings.h"
#include "tests/support/Actions.h"
#include "tests/support/TestMain.h"

using testsupport::MakeAction;

namespace {

QStringList RowTexts(const CActionList& list, int row) {
    QStringList out;
    for (int c = 0; c < CActionList::ColumnCount; ++c)
        out << list.data(list.index(row, c), Qt::DisplayRole).toString();
    return out;
}

}  // namespace

class TestActionList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void columnsAndTexts() {
        CActionList list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStringList headings;
        for (int c = 0; c < list.columnCount(); ++c)
            headings << list.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        QCOMPARE(headings, QString("Sr|Action|X|Y|Delay (ms)|Comment").split(u'|'));

        const char* const names[] = {"Left Click",
                                     "Middle Click",
                                     "Right Click",
                                     "Double Click",
                                     "Double Middle Click",
                                     "Double Right Click",
                                     "",
                                     ""};
        const int types[] = {0, 1, 2, 3, 4, 5, 6, -1};
        for (int i = 0; i < 8; ++i)
            list.Append(MakeAction(types[i], -120, -5, 4294967295u, QStringLiteral("  spaced  ")));
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(RowTexts(list, i), (QStringList{QString::number(i + 1), names[i], "-120", "-5",
                                                     "4294967295", "  spaced  "}));
        }

        // A new record takes the user's default delay.
        g_settings.m_iDefaultTimeDelay = 350;
        QCOMPARE(CMouseAction().m_dwDelay, 350u);
        g_settings.m_iDefaultTimeDelay = 200;
    }

    // The numbers are the row positions, so they change under the rows (which a model tester would flag).
    void rowsRenumberAndEditInPlace() {
        CActionList list;
        list.Append(MakeAction(LeftClick, 0, 0, 0, QStringLiteral("existing")));
        std::vector<std::unique_ptr<CMouseAction>> loaded;
        for (int i = 1; i < 4; ++i)
            loaded.push_back(MakeAction(RightClick, i, i, 0, QStringLiteral("row %1").arg(i)));
        list.AppendAll(loaded);
        QVERIFY(loaded.empty());
        QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
        list.RemoveAt(1);
        list.RemoveAt(7);  // out of range: nothing happens
        list.RemoveAt(-1);
        QCOMPARE(list.GetItemCount(), 3);
        QCOMPARE(RowTexts(list, 1), QString("2|Right Click|2|2|0|row 2").split(u'|'));
        QCOMPARE(RowTexts(list, 2)[0], QStringLiteral("3"));
        QVERIFY(!changed.isEmpty());  // the views learn that the numbers moved

        CMouseAction* record = list.GetItemData(1);
        CMouseAction edited = *record;
        edited.m_iX = 77;
        list.SetRecord(1, edited);
        QCOMPARE(list.GetItemData(1), record);  // edited in place
        QCOMPARE(record->m_iX, 77);
        list.SetColor(1, kColorExecuted);
        list.SetColor(5, kColorExecuted);  // a row that is gone is ignored
        QCOMPARE(list.data(list.index(1, 3), CActionList::ColorRole).toUInt(), kColorExecuted);
        CMouseAction copy;
        QVERIFY(list.Snapshot(1, copy));
        QCOMPARE(copy.m_iX, 77);
        QVERIFY(!list.Snapshot(3, copy));
        list.ResetColors();
        QCOMPARE(record->m_crColor.load(), kColorBlack);
        list.RemoveAll();
        QCOMPARE(list.GetItemCount(), 0);
    }

    // A run's worker reads and colours rows while the user adds and edits them.
    void workerAccessDuringEdits() {
        CActionList list;
        for (int i = 0; i < 10; ++i)
            list.Append(MakeAction(LeftClick, i, i, 0));
        std::atomic<bool> done{false};
        std::thread worker([&] {
            CMouseAction copy;
            for (int pass = 0; !done.load(); ++pass) {
                for (int row = 0; list.Snapshot(row, copy) && row < 10; ++row)
                    list.SetColor(row, pass % 2 ? kColorExecuted : kColorBlack);
            }
        });
        for (int i = 0; i < 2000; ++i) {
            list.Append(MakeAction(LeftClick, i, i, 0));
            CMouseAction edit;
            edit.m_strComment = QString::number(i);
            list.SetRecord(i % 10, edit);
            (void)list.data(list.index(i % 10, 0), CActionList::ColorRole);
        }
        done = true;
        worker.join();
        QCOMPARE(list.GetItemCount(), 2010);
    }
};

VANTRELL_TEST_MAIN(TestActionList)
#include "tst_actionlist.moc"
