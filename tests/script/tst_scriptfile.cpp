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
CLoadedScript Load(const QByteArray& bytes, const CScriptHeader& start = {}) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    CArchive ar(&buffer, CArchive::load);
    CLoadedScript script{start, {}};
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

QByteArray Header(int32_t count, int32_t repeat = 1) {
    QByteArray out(20, '\0');
    qToLittleEndian(repeat, out.data() + 12);
    qToLittleEndian(count, out.data() + 16);
    return out;
}

QByteArray RowBytes(uint32_t delay, int32_t type, int32_t x, int32_t y, const QString& comment) {
    QByteArray out(16, '\0');
    qToLittleEndian(delay, out.data());
    qToLittleEndian(type, out.data() + 4);
    qToLittleEndian(x, out.data() + 8);
    qToLittleEndian(y, out.data() + 12);
    return out + Utf16Line(comment);
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
        g_settings.m_iDefaultTimeDelay = 200;
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
        QCOMPARE(bytes.size(), 90);
        QCOMPARE(bytes.toHex(' '), WorkedExample().toHex(' '));
        QCOMPARE(header.m_iActionCount, 1);

        const CLoadedScript back = Load(bytes);
        QCOMPARE(back.header.m_dtAutoRunDate, COleDateTime(QDate(2026, 12, 5), QTime(0, 0)));
        QCOMPARE(back.header.m_dtAutoRunTime, COleDateTime(QDate(1899, 12, 30), QTime(14, 5, 9)));
        QCOMPARE(back.header.m_dtAutoRunDate.GetStatus(), COleDateTime::valid);
        QCOMPARE(back.header.m_dtAutoRunTime.GetStatus(), COleDateTime::valid);
        QCOMPARE(back.header.m_wHotKeyCode, uint16_t(0x78));
        QCOMPARE(back.header.m_iRepeatCount, 3);
        QCOMPARE(back.actions.size(), size_t(1));
        QCOMPARE(back.actions[0]->m_iClickType, int(DoubleClick));
        QCOMPARE(back.actions[0]->m_strComment, QStringLiteral("OK"));
    }

    void roundTripKeepsEveryValue() {
        CScriptHeader header;
        header.m_bAutoMinimize = 1;
        header.m_bAutoRun = 1;
        header.m_wHotKeyCode = 0xFFFF;
        header.m_wHotKeyModifiers = 0x0F;
        header.m_iRepeatCount = -7;
        header.m_dtAutoRunDate = COleDateTime(QDate(2030, 2, 28), QTime(0, 0));
        header.m_dtAutoRunTime = COleDateTime(QDate(1899, 12, 30), QTime(0, 0, 1));
        const QString comments[] = {
            QString(),
            QStringLiteral("Κλικ στο κουμπί"),
            QStringLiteral("点击确定按钮"),
            QString::fromUtf8("\xF0\x9F\x96\xB1 mouse outside the BMP"),
            QStringLiteral("tab\there, \"quotes\" and 'apostrophes'"),
        };
        CActionList rows;
        rows.Append(MakeAction(LeftClick, -120, -5, 4294967295u, comments[0]));
        rows.Append(MakeAction(9, 0, 0, 0, comments[1]));
        rows.Append(MakeAction(DoubleRightClick, INT32_MIN, INT32_MAX, 1, comments[2]));
        rows.Append(MakeAction(MiddleClick, 1920, 1080, 200, comments[3]));
        rows.Append(MakeAction(-1, 5, 6, 7, comments[4]));
        rows.SetColor(0, kColorExecuted);  // colours are never stored

        const QByteArray bytes = Store(header, rows);
        const CLoadedScript back = Load(bytes);
        QCOMPARE(back.header.m_bAutoMinimize, 1);
        QCOMPARE(back.header.m_bAutoRun, 1);
        QCOMPARE(back.header.m_wHotKeyCode, uint16_t(0xFFFF));
        QCOMPARE(back.header.m_wHotKeyModifiers, uint16_t(0x0F));
        QCOMPARE(back.header.m_iRepeatCount, -7);
        QCOMPARE(back.header.m_iActionCount, 5);
        QCOMPARE(back.header.m_dtAutoRunDate, header.m_dtAutoRunDate);
        QCOMPARE(back.header.m_dtAutoRunTime, header.m_dtAutoRunTime);
        QCOMPARE(back.actions.size(), size_t(5));
        for (int i = 0; i < 5; ++i) {
            const CMouseAction& a = *rows.GetItemData(i);
            const CMouseAction& b = *back.actions[size_t(i)];
            QCOMPARE(b.m_iClickType, a.m_iClickType);
            QCOMPARE(b.m_iX, a.m_iX);
            QCOMPARE(b.m_iY, a.m_iY);
            QCOMPARE(b.m_dwDelay, a.m_dwDelay);
            QCOMPARE(b.m_strComment, comments[i]);
            QCOMPARE(b.m_crColor.load(), kColorBlack);
        }
        // An empty comment is nothing but the line end.
        QVERIFY(bytes.mid(bytes.indexOf(Utf16Line(QStringLiteral("12:00:01 AM"))) + 26 + 16, 4) ==
                QByteArray("\r\0\n\0", 4));
    }

    void emptyScriptIsHeaderAndTwoLines() {
        CScriptHeader header;
        header.m_dtAutoRunDate.SetStatus(COleDateTime::null);
        header.m_dtAutoRunTime.SetStatus(COleDateTime::invalid);
        CActionList rows;
        const QByteArray bytes = Store(header, rows);
        QCOMPARE(bytes, Header(0) + Utf16Line(QString()) + Utf16Line(QStringLiteral("Invalid DateTime")));
        const CLoadedScript back = Load(bytes);
        QCOMPARE(back.header.m_dtAutoRunDate, COleDateTime(0.0, COleDateTime::invalid));
        QCOMPARE(back.header.m_dtAutoRunTime, COleDateTime(0.0, COleDateTime::invalid));
        QVERIFY(back.actions.empty());
    }

    void rowCounts_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("present");
        QTest::addColumn<int>("loaded");
        QTest::newRow("-1 reads nothing") << -1 << 2 << 0;
        QTest::newRow("0 reads nothing") << 0 << 2 << 0;
        QTest::newRow("fewer than present") << 1 << 3 << 1;
        QTest::newRow("INT_MIN") << INT32_MIN << 1 << 0;
    }
    void rowCounts() {
        QFETCH(int, count);
        QFETCH(int, present);
        QFETCH(int, loaded);
        QByteArray bytes = Header(count) + Utf16Line(QStringLiteral("12/5/2026")) + Utf16Line(QString());
        for (int i = 0; i < present; ++i)
            bytes += RowBytes(uint32_t(i), 0, i, i, QStringLiteral("row %1").arg(i));
        const CLoadedScript back = Load(bytes);
        QCOMPARE(int(back.actions.size()), loaded);
        QCOMPARE(back.header.m_iActionCount, count);
        for (int i = 0; i < loaded; ++i)
            QCOMPARE(back.actions[size_t(i)]->m_strComment, QStringLiteral("row %1").arg(i));
    }

    // A file that claims two billion rows and holds three fails at once and in bounded memory.
    void hugeCountFailsFast() {
        QByteArray bytes = Header(INT32_MAX) + Utf16Line(QString()) + Utf16Line(QString());
        for (int i = 0; i < 3; ++i)
            bytes += RowBytes(1, 0, 0, 0, QString());
        QVERIFY_THROWS_EXCEPTION(CArchiveException, Load(bytes));
    }

    void lineEnds() {
        // A lone LF ends a line; a CR ends it and takes the unit after it, whatever that is; a CR at the
        // very end of the file ends the last line.
        QByteArray bytes = Header(3) + Utf16Line(QString()) + Utf16Line(QString());
        bytes += RowBytes(1, 0, 0, 0, QString()).chopped(4) + QByteArray("a\0\n\0", 4);
        bytes += RowBytes(2, 0, 0, 0, QString()).chopped(4) + QByteArray("b\0\r\0X\0", 6);
        bytes += RowBytes(3, 0, 0, 0, QString()).chopped(4) + QByteArray("c\0\r\0", 4);
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
            CScriptHeader before;
            before.m_iRepeatCount = 42;
            before.m_wHotKeyCode = 0x41;
            g_scriptHeader = before;
            g_arrLoadedActions.clear();
            g_arrLoadedActions.push_back(MakeAction(RightClick, 1, 2, 3, QStringLiteral("pending")));

            QString error;
            const bool ok = ReadScriptFileIntoOpenScript(path, &error);
            // With a row announced, the file must reach past the row's four integers.
            const bool shouldFail = n > 0 && (n < 20 || (rowsStart > 0 && n < rowsStart + 16));
            QVERIFY2(ok == !shouldFail, qPrintable(QStringLiteral("offset %1: %2").arg(n).arg(error)));
            if (!ok || n == 0) {
                // Failed, or an empty file, which is not read at all and opens without rows.
                QCOMPARE(g_scriptHeader.m_iRepeatCount, 42);
                QCOMPARE(g_scriptHeader.m_wHotKeyCode, uint16_t(0x41));
                QCOMPARE(g_arrLoadedActions.size(), size_t(ok ? 0 : 1));
                if (!ok) {
                    QCOMPARE(g_arrLoadedActions[0]->m_strComment, QStringLiteral("pending"));
                    QVERIFY(error.contains(QStringLiteral("unexpected file format")));
                }
                continue;
            }
            QCOMPARE(g_scriptHeader.m_iRepeatCount, 3);
            if (n >= 0x14 + 18)  // the date text is whole, with or without its line end
                QCOMPARE(g_scriptHeader.m_dtAutoRunDate.GetDate(), QDate(2026, 12, 5));
            if (n == 20)
                QCOMPARE(g_scriptHeader.m_dtAutoRunDate, COleDateTime(0.0, COleDateTime::invalid));
            if (n >= 0x2A + 20)
                QCOMPARE(g_scriptHeader.m_dtAutoRunTime.GetTime(), QTime(14, 5, 9));
            if (n <= 0x2A)
                QCOMPARE(g_scriptHeader.m_dtAutoRunTime, COleDateTime(0.0, COleDateTime::invalid));
            if (rowsStart < 0) {
                QVERIFY(g_arrLoadedActions.empty());
            } else {
                QCOMPARE(g_arrLoadedActions.size(), size_t(1));
                QCOMPARE(g_arrLoadedActions[0]->m_iX, 640);
                QVERIFY(QStringLiteral("OK").startsWith(g_arrLoadedActions[0]->m_strComment));
            }
        }
    }

    void missingFileFailsWithReason() {
        QString error;
        QVERIFY(!ReadScriptFileIntoOpenScript(QStringLiteral("/nonexistent/x.Vantrell"), &error));
        QVERIFY(!error.isEmpty());
    }

    void newRecordsTakeTheDefaultDelay() {
        g_settings.m_iDefaultTimeDelay = 350;
        const CLoadedScript back =
            Load(Header(1) + Utf16Line(QString()) + Utf16Line(QString()) + RowBytes(5, 0, 0, 0, QString()));
        QCOMPARE(back.actions[0]->m_dwDelay, 5u);  // the stored delay wins
        QCOMPARE(CMouseAction().m_dwDelay, 350u);
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
        const bool canWriteAnyway = QFileInfo(dir.path()).isWritable();  // root ignores permissions
        if (!canWriteAnyway) {
            rows.Append(MakeAction(LeftClick, 4, 5, 6, QStringLiteral("y")));
            QVERIFY(!WriteScriptFile(path, header, rows, &error));
            QVERIFY(ReadScriptFile(path, back, &error));
            QCOMPARE(back.actions.size(), size_t(1));
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A large script reads back with rows in order; the reader keeps up with big files.
    void largeScriptRoundTrip() {
        CScriptHeader header;
        CActionList rows;
        std::vector<std::unique_ptr<CMouseAction>> many;
        for (int i = 0; i < 20000; ++i)
            many.push_back(MakeAction(i % 6, i, -i, uint32_t(i), QStringLiteral("comment %1").arg(i)));
        rows.AppendAll(many);
        const CLoadedScript back = Load(Store(header, rows));
        QCOMPARE(back.actions.size(), size_t(20000));
        QCOMPARE(back.actions[19999]->m_strComment, QStringLiteral("comment 19999"));
        QCOMPARE(back.actions[12345]->m_iY, -12345);
    }
};

VANTRELL_TEST_MAIN(TestScriptFile)
#include "tst_scriptfile.moc"
