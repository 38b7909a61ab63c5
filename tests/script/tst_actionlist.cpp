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
    void clickTypeNames() {
        const QStringList names{QStringLiteral("Left Click"),          QStringLiteral("Middle Click"),
                                QStringLiteral("Right Click"),         QStringLiteral("Double Click"),
                                QStringLiteral("Double Middle Click"), QStringLiteral("Double Right Click")};
        for (int code = 0; code < 6; ++code)
            QCOMPARE(GetClickTypeName(code), names[code]);
        QCOMPARE(GetClickTypeName(6), QString());
        QCOMPARE(GetClickTypeName(-1), QString());
    }

    void newRecordDefaults() {
        g_settings.m_iDefaultTimeDelay = 350;
        const CMouseAction a;
        QCOMPARE(a.m_iClickType, int(LeftClick));
        QCOMPARE(a.m_iX, 0);
        QCOMPARE(a.m_dwDelay, 350u);
        QCOMPARE(a.m_strComment, QString());
        QCOMPARE(a.m_crColor.load(), kColorBlack);
        g_settings.m_iDefaultTimeDelay = 200;
    }

    void columnsAndTexts() {
        CActionList list;
        QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(list.columnCount(), 6);
        QStringList headings;
        for (int c = 0; c < 6; ++c)
            headings << list.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        QCOMPARE(headings,
                 (QStringList{QStringLiteral("Sr"), QStringLiteral("Action"), QStringLiteral("X"),
                              QStringLiteral("Y"), QStringLiteral("Delay (ms)"), QStringLiteral("Comment")}));
        QCOMPARE(CActionList::DefaultColumnWidth(0), 30);
        QCOMPARE(CActionList::DefaultColumnWidth(5), 125);

        list.Append(MakeAction(DoubleMiddleClick, -120, -5, 4294967295u, QStringLiteral("  spaced  ")));
        list.Append(MakeAction(9, 1, 2, 0));
        QCOMPARE(
            RowTexts(list, 0),
            (QStringList{QStringLiteral("1"), QStringLiteral("Double Middle Click"), QStringLiteral("-120"),
                         QStringLiteral("-5"), QStringLiteral("4294967295"), QStringLiteral("  spaced  ")}));
        QCOMPARE(RowTexts(list, 1)[1], QString());
    }

    // The numbers are the row positions, so they change under the rows (which a model tester would flag).
    void deletingRenumbersAndFrees() {
        CActionList list;
        for (int i = 0; i < 4; ++i)
            list.Append(MakeAction(LeftClick, i, i, 0, QStringLiteral("row %1").arg(i)));
        QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
        list.RemoveAt(1);
        QCOMPARE(list.GetItemCount(), 3);
        QCOMPARE(RowTexts(list, 0)[0], QStringLiteral("1"));
        QCOMPARE(RowTexts(list, 1),
                 (QStringList{QStringLiteral("2"), QStringLiteral("Left Click"), QStringLiteral("2"),
                              QStringLiteral("2"), QStringLiteral("0"), QStringLiteral("row 2")}));
        QCOMPARE(RowTexts(list, 2)[0], QStringLiteral("3"));
        QVERIFY(!changed.isEmpty());  // the views learn that the numbers moved
        list.RemoveAt(7);             // out of range: nothing happens
        list.RemoveAt(-1);
        QCOMPARE(list.GetItemCount(), 3);
        list.RemoveAll();
        QCOMPARE(list.GetItemCount(), 0);
    }

    void appendAllTakesOwnershipInOrder() {
        CActionList list;
        list.Append(MakeAction(LeftClick, 0, 0, 0, QStringLiteral("existing")));
        std::vector<std::unique_ptr<CMouseAction>> loaded;
        for (int i = 0; i < 3; ++i)
            loaded.push_back(MakeAction(RightClick, i, 0, 0, QStringLiteral("loaded %1").arg(i)));
        CMouseAction* second = loaded[1].get();
        list.AppendAll(loaded);
        QVERIFY(loaded.empty());
        QCOMPARE(list.GetItemCount(), 4);
        QCOMPARE(list.GetItemData(2), second);
        QCOMPARE(RowTexts(list, 3)[0], QStringLiteral("4"));
    }

    void recordEditsAndColours() {
        CActionList list;
        list.Append(MakeAction(LeftClick, 1, 1, 1));
        CMouseAction* record = list.GetItemData(0);
        CMouseAction edited = *record;
        edited.m_iX = 77;
        edited.m_strComment = QStringLiteral("edited");
        QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
        list.SetRecord(0, edited);
        QCOMPARE(list.GetItemData(0), record);  // edited in place
        QCOMPARE(record->m_iX, 77);
        QCOMPARE(changed.size(), 1);

        list.SetColor(0, kColorExecuted);
        list.SetColor(5, kColorExecuted);  // a row that is gone is ignored
        QCOMPARE(list.data(list.index(0, 3), CActionList::ColorRole).toUInt(), kColorExecuted);
        CMouseAction copy;
        QVERIFY(list.Snapshot(0, copy));
        QCOMPARE(copy.m_strComment, QStringLiteral("edited"));
        QVERIFY(!list.Snapshot(1, copy));
        list.ResetColors();
        QCOMPARE(record->m_crColor.load(), kColorBlack);
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
