// The script file: byte layout, round trips, and reads of damaged files that must never harm the open
// script.

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include "script/ScriptFile.h"
#include "settings/Settings.h"
#include "tests/support/Actions.h"
#include "tests/support/TestMain.h"

using testsupport::MakeAction;

namespace {

QByteArray WorkedExample() {
    QFile f(QStringLiteral(VANTRELL_TEST_DATA "/worked-example.Vantrell"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing test data");
    return f.readAll();
}

QByteArray Store(CScriptHeader& header, const CActionList& rows) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CArchive ar(&buffer, CArchive::store);
    StoreScript(ar, header, rows);
    ar.Close();
    return buffer.data();
}

// Loads bytes the way an open does; throws as the reader does.
CLoadedScript Load(QByteArray bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CArchive ar(&buffer, CArchive::load);
    CLoadedScript script;
    LoadScript(ar, script);
    return script;
}

QByteArray Utf16Line(const QString& text) {
    QByteArray out;
    for (QChar c : text + QStringLiteral("\r\n")) {
        char le[2];
        qToLittleEndian(c.unicode(), le);
        out.append(le, 2);
    }
    return out;
}

// The header with a row count, and empty date and time lines.
QByteArray Header(int32_t count) {
    QByteArray out(20, '\0');
    qToLittleEndian(int32_t{1}, out.data() + 12);
    qToLittleEndian(count, out.data() + 16);
    return out + Utf16Line(QString()) + Utf16Line(QString());
}

// A row's four integers (delay x, click type 0, position 0,0) and its comment bytes.
QByteArray RowBytes(uint32_t delay, const QByteArray& comment) {
    QByteArray out(16, '\0');
    qToLittleEndian(delay, out.data());
    return out + comment;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

}  // namespace

class TestScriptFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
        g_scriptHeader = CScriptHeader();
        g_arrLoadedActions.clear();
    }

    void workedExampleByteForByte() {
        CScriptHeader header;
        header.m_wHotKeyCode = 0x78;
        header.m_wHotKeyModifiers = 0x02;
        header.m_iRepeatCount = 3;
        header.m_dtAutoRunDate = COleDateTime(QDate(2026, 12, 5), QTime(14, 5, 9));
        header.m_dtAutoRunTime = header.m_dtAutoRunDate;
        CActionList rows;
        rows.Append(MakeAction(DoubleClick, 640, 480, 200, QStringLiteral("OK")));

        const QByteArray bytes = Store(header, rows);
        QCOMPARE(bytes.toHex(' '), WorkedExample().toHex(' '));
        QCOMPARE(header.m_iActionCount, 1);

        // Only the date is kept of the date, only the time of day of the time.
        const CLoadedScript back = Load(bytes);
        QCOMPARE(back.header.m_dtAutoRunDate, COleDateTime(QDate(2026, 12, 5), QTime(0, 0)));
        QCOMPARE(back.header.m_dtAutoRunTime, COleDateTime(QDate(1899, 12, 30), QTime(14, 5, 9)));
        QCOMPARE(back.header.m_wHotKeyCode, uint16_t(0x78));
        QCOMPARE(back.header.m_wHotKeyModifiers, uint16_t(0x02));
        QCOMPARE(back.header.m_iRepeatCount, 3);
        QCOMPARE(back.actions.size(), size_t(1));
        QCOMPARE(back.actions[0]->m_iClickType, int(DoubleClick));
        QCOMPARE(back.actions[0]->m_iX, 640);
        QCOMPARE(back.actions[0]->m_iY, 480);
        QCOMPARE(back.actions[0]->m_dwDelay, 200u);
        QCOMPARE(back.actions[0]->m_strComment, QStringLiteral("OK"));
    }

    // Extreme values, texts beyond Latin-1, and many rows (the reader reserves by the bytes left).
    void roundTripKeepsEveryValue() {
        CScriptHeader header;
        header.m_bAutoMinimize = 1;
        header.m_bAutoRun = 1;
        header.m_wHotKeyCode = 0xFFFF;
        header.m_wHotKeyModifiers = 0x0F;
        header.m_iRepeatCount = -7;
        header.m_dtAutoRunDate = COleDateTime(QDate(2030, 2, 28), QTime(0, 0));
        header.m_dtAutoRunTime = COleDateTime(QDate(1899, 12, 30), QTime(0, 0, 1));
        CActionList rows;
        rows.Append(MakeAction(LeftClick, -120, -5, 4294967295u, QString()));
        rows.Append(MakeAction(9, 0, 0, 0, QStringLiteral("Κλικ στο κουμπί 点击确定按钮")));
        rows.Append(MakeAction(DoubleRightClick, INT32_MIN, INT32_MAX, 1,
                               QString::fromUtf8("\xF0\x9F\x96\xB1 outside the BMP, tab\there, \"quotes\"")));
        rows.Append(MakeAction(-1, 5, 6, 7, QStringLiteral("x")));
        for (int i = 0; i < 20000; ++i)
            rows.Append(MakeAction(i % 6, i, -i, uint32_t(i), QStringLiteral("comment %1").arg(i)));
        rows.SetColor(0, kColorExecuted);  // colours are never stored

        const CLoadedScript back = Load(Store(header, rows));
        QCOMPARE(back.header.m_bAutoMinimize, 1);
        QCOMPARE(back.header.m_bAutoRun, 1);
        QCOMPARE(back.header.m_wHotKeyCode, uint16_t(0xFFFF));
        QCOMPARE(back.header.m_wHotKeyModifiers, uint16_t(0x0F));
        QCOMPARE(back.header.m_iRepeatCount, -7);
        QCOMPARE(back.header.m_iActionCount, rows.GetItemCount());
        QCOMPARE(back.header.m_dtAutoRunDate, header.m_dtAutoRunDate);
        QCOMPARE(back.header.m_dtAutoRunTime, header.m_dtAutoRunTime);
        QCOMPARE(int(back.actions.size()), rows.GetItemCount());
        for (int i = 0; i < rows.GetItemCount(); ++i) {
            const CMouseAction& a = *rows.GetItemData(i);
            const CMouseAction& b = *back.actions[size_t(i)];
            QVERIFY2(b.m_iClickType == a.m_iClickType && b.m_iX == a.m_iX && b.m_iY == a.m_iY &&
                         b.m_dwDelay == a.m_dwDelay && b.m_strComment == a.m_strComment &&
                         b.m_crColor.load() == kColorBlack,
                     qPrintable(QString::number(i)));
        }
    }

    void emptyScriptIsHeaderAndTwoLines() {
        CScriptHeader header;
        header.m_dtAutoRunDate.SetStatus(COleDateTime::null);
        header.m_dtAutoRunTime.SetStatus(COleDateTime::invalid);
        CActionList rows;
        const QByteArray bytes = Store(header, rows);
        QCOMPARE(bytes, Header(0).chopped(4) + Utf16Line(QStringLiteral("Invalid DateTime")));
        const CLoadedScript back = Load(bytes);
        QCOMPARE(back.header.m_dtAutoRunDate, COleDateTime(0.0, COleDateTime::invalid));
        QCOMPARE(back.header.m_dtAutoRunTime, COleDateTime(0.0, COleDateTime::invalid));
        QVERIFY(back.actions.empty());
    }

    // The rows read are the count the header gives, whatever follows; a count far beyond the bytes fails at
    // once rather than allocating for it.
    void rowCounts_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("loaded");  // -1: the read fails
        QTest::newRow("-1") << -1 << 0;
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("fewer than present") << 1 << 1;
        QTest::newRow("INT_MIN") << INT32_MIN << 0;
        QTest::newRow("INT_MAX") << INT32_MAX << -1;
    }
    void rowCounts() {
        QFETCH(int, count);
        QFETCH(int, loaded);
        QByteArray bytes = Header(count);
        for (int i = 0; i < 3; ++i)
            bytes += RowBytes(uint32_t(i), Utf16Line(QStringLiteral("row %1").arg(i)));
        if (loaded < 0) {
            QVERIFY_THROWS_EXCEPTION(CArchiveException, Load(bytes));
            return;
        }
        const CLoadedScript back = Load(bytes);
        QCOMPARE(int(back.actions.size()), loaded);
        QCOMPARE(back.header.m_iActionCount, count);
        for (int i = 0; i < loaded; ++i)
            QCOMPARE(back.actions[size_t(i)]->m_strComment, QStringLiteral("row %1").arg(i));
    }

    // A lone LF ends a line; a CR ends it and takes the unit after it, whatever that is; a CR at the very end
    // of the file ends the last line.
    void lineEnds() {
        const QByteArray bytes = Header(3) + RowBytes(1, QByteArray("a\0\n\0", 4)) +
                                 RowBytes(2, QByteArray("b\0\r\0X\0", 6)) +
                                 RowBytes(3, QByteArray("c\0\r\0", 4));
        const CLoadedScript back = Load(bytes);
        QCOMPARE(back.actions.size(), size_t(3));
        QCOMPARE(back.actions[0]->m_strComment, QStringLiteral("a"));
        QCOMPARE(back.actions[1]->m_strComment, QStringLiteral("b"));
        QCOMPARE(back.actions[2]->m_strComment, QStringLiteral("c"));
    }

    // Cut at every offset: a cut inside a fixed-width field fails, a cut inside a text line does not, and a
    // failure never touches the open script. The rowless variant has its text lines at the very end.
    void cutAtEveryOffset_data() {
        QTest::addColumn<QByteArray>("full");
        QTest::addColumn<int>("rowsStart");
        const QByteArray full = WorkedExample();
        QTest::newRow("worked example") << full << 0x42;
        QByteArray rowless = full.left(0x42);
        qToLittleEndian(int32_t(0), rowless.data() + 16);
        QTest::newRow("no rows") << rowless << -1;
    }
    void cutAtEveryOffset() {
        QFETCH(QByteArray, full);
        QFETCH(int, rowsStart);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cut.Vantrell"));
        for (int n = 0; n <= full.size(); ++n) {
            WriteFile(path, full.left(n));
            g_scriptHeader.m_iRepeatCount = 42;
            g_arrLoadedActions.clear();
            g_arrLoadedActions.push_back(MakeAction(RightClick, 1, 2, 3, QStringLiteral("pending")));

            QString error;
            const bool ok = ReadScriptFileIntoOpenScript(path, &error);
            // With a row announced, the file must reach past the row's four integers.
            const bool shouldFail = n > 0 && (n < 20 || (rowsStart > 0 && n < rowsStart + 16));
            QVERIFY2(ok == !shouldFail, qPrintable(QStringLiteral("offset %1: %2").arg(n).arg(error)));
            if (!ok) {
                QVERIFY(error.contains(QStringLiteral("unexpected file format")));
                QCOMPARE(g_scriptHeader.m_iRepeatCount, 42);
                QCOMPARE(g_arrLoadedActions.size(), size_t(1));
                QCOMPARE(g_arrLoadedActions[0]->m_strComment, QStringLiteral("pending"));
            } else if (n == 0) {
                // An empty file is not read at all and opens without rows.
                QCOMPARE(g_scriptHeader.m_iRepeatCount, 42);
                QVERIFY(g_arrLoadedActions.empty());
            } else {
                QCOMPARE(g_scriptHeader.m_iRepeatCount, 3);
                QCOMPARE(g_arrLoadedActions.size(), size_t(rowsStart < 0 ? 0 : 1));
                if (rowsStart > 0)
                    QVERIFY(QStringLiteral("OK").startsWith(g_arrLoadedActions[0]->m_strComment));
            }
        }
    }

    void saveReplacesTheFileWhole() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.Vantrell"));
        WriteFile(path, QByteArray("previous contents"));
        CScriptHeader header;
        CActionList rows;
        rows.Append(MakeAction(LeftClick, 1, 2, 3, QStringLiteral("x")));
        QString error;
        QVERIFY(WriteScriptFile(path, header, rows, &error));
        CLoadedScript back;
        QVERIFY(ReadScriptFile(path, back, &error));
        QCOMPARE(back.actions.size(), size_t(1));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("s.Vantrell")});

        // A save that cannot be written leaves the old file as it was.
        QVERIFY(
            !WriteScriptFile(dir.filePath(QStringLiteral("no/such/dir/t.Vantrell")), header, rows, &error));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        if (!QFileInfo(dir.path()).isWritable()) {  // root ignores permissions
            rows.Append(MakeAction(LeftClick, 4, 5, 6, QStringLiteral("y")));
            QVERIFY(!WriteScriptFile(path, header, rows, &error));
            QVERIFY(ReadScriptFile(path, back, &error));
            QCOMPARE(back.actions.size(), size_t(1));
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

VANTRELL_TEST_MAIN(TestScriptFile)
#include "tst_scriptfile.moc"
