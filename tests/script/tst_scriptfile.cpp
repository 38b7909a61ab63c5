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

using namespace Qt::StringLiterals;

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

QByteArray StoreAgain(CLoadedScript& script) {
    CActionList rows;
    rows.AppendAll(script.actions);
    return Store(script.header, rows);
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

// The text and CR LF, in UTF-16LE as on every machine this runs on.
QByteArray Utf16Line(const QString& text) {
    const QString line = text + u"\r\n"_s;
    return QByteArray(reinterpret_cast<const char*>(line.utf16()), line.size() * 2);
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

// Takes the first limit bytes written to it, then refuses (-1) or takes nothing more (0).
class CLimitedDevice : public QIODevice {
public:
    CLimitedDevice(qint64 limit, qint64 refusal) : m_left(limit), m_refusal(refusal) { open(WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override {
        const qint64 taken = std::min(len, m_left);
        m_left -= taken;
        return taken > 0 ? taken : m_refusal;
    }

private:
    qint64 m_left;
    qint64 m_refusal;
};

}  // namespace

class TestScriptFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        QLocale::setDefault(QLocale(u"en_US"_s));
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
        rows.Append(MakeAction(DoubleClick, 640, 480, 200, u"OK"_s));

        const QByteArray bytes = Store(header, rows);
        QCOMPARE(bytes.toHex(' '), WorkedExample().toHex(' '));
        QCOMPARE(header.m_iActionCount, 1);

        // Read back, only the date is kept of the date and only the time of day of the time; saved again,
        // the script gives the very same bytes, so every field was read from its place.
        CLoadedScript back = Load(bytes);
        QCOMPARE(back.header.m_dtAutoRunDate, COleDateTime(QDate(2026, 12, 5), QTime(0, 0)));
        QCOMPARE(back.header.m_dtAutoRunTime, COleDateTime::TimeOfDay(QTime(14, 5, 9)));
        QCOMPARE(back.actions.at(0)->m_strComment, u"OK"_s);
        QVERIFY(StoreAgain(back) == bytes);
    }

    // Extreme values, texts beyond Latin-1, and many rows (the reader reserves by the bytes left) read back
    // as they were: saved again, they give the very same bytes.
    void roundTripKeepsEveryValue() {
        CScriptHeader header;
        header.m_bAutoMinimize = 1;
        header.m_bAutoRun = 1;
        header.m_wHotKeyCode = 0xFFFF;
        header.m_wHotKeyModifiers = 0x0F;
        header.m_iRepeatCount = -7;
        header.m_dtAutoRunDate = COleDateTime(QDate(2030, 2, 28), QTime(0, 0));
        header.m_dtAutoRunTime = COleDateTime::TimeOfDay(QTime(0, 0, 1));
        CActionList rows;
        rows.Append(MakeAction(LeftClick, -120, -5, 4294967295u, QString()));
        rows.Append(MakeAction(9, 0, 0, 0, u"Κλικ στο κουμπί 点击确定按钮"_s));
        rows.Append(MakeAction(DoubleRightClick, INT32_MIN, INT32_MAX, 1,
                               QString::fromUtf8("\xF0\x9F\x96\xB1 outside the BMP, tab\there, \"quotes\"")));
        for (int i = 0; i < 20000; ++i)
            rows.Append(MakeAction(i % 6 - 1, i, -i, uint32_t(i), u"comment %1"_s.arg(i)));
        const QByteArray bytes = Store(header, rows);

        CLoadedScript back = Load(bytes);
        QCOMPARE(back.header.m_iActionCount, rows.GetItemCount());
        QCOMPARE(back.actions[1]->m_strComment, rows.GetItemData(1)->m_strComment);
        QCOMPARE(back.actions[2]->m_iX, INT32_MIN);
        QVERIFY(StoreAgain(back) == bytes);
    }

    // A write that the device takes only in part, or not at all, fails the save.
    void failedWritesFailTheSave() {
        // 1000 rows of about 100 bytes each.
        CActionList rows;
        for (int i = 0; i < 1000; ++i)
            rows.Append(MakeAction(LeftClick, i, i, 0, u"comment %1 "_s.arg(i).leftJustified(40, u'.')));
        for (const qint64 refusal : {-1, 0}) {
            for (const qint64 limit : {0, 30, 70000}) {
                CScriptHeader header;
                CLimitedDevice device(limit, refusal);
                CArchive ar(&device, CArchive::store);
                QVERIFY_THROWS_EXCEPTION(CArchiveException, {
                    StoreScript(ar, header, rows);
                    ar.Close();
                });
            }
        }
    }

    void emptyScriptIsHeaderAndTwoLines() {
        CScriptHeader header;
        header.m_dtAutoRunDate.SetStatus(COleDateTime::null);
        header.m_dtAutoRunTime.SetStatus(COleDateTime::invalid);
        CActionList rows;
        const QByteArray bytes = Store(header, rows);
        QCOMPARE(bytes, Header(0).chopped(4) + Utf16Line(u"Invalid DateTime"_s));
        const CLoadedScript back = Load(bytes);
        QCOMPARE(back.header.m_dtAutoRunDate, COleDateTime(0.0, COleDateTime::invalid));
        QCOMPARE(back.header.m_dtAutoRunTime, COleDateTime(0.0, COleDateTime::invalid));
        QVERIFY(back.actions.empty());
    }

    // The rows read are the count the header gives, whatever follows; a count far beyond the bytes fails at
    // once rather than allocating for it. A lone LF ends a line; a CR ends it and takes the unit after it,
    // whatever that is; a CR at the very end of the file ends the last line.
    void rowCountsAndLineEnds_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("loaded");  // -1: the read fails
        QTest::newRow("-1") << -1 << 0;
        QTest::newRow("INT_MIN") << INT32_MIN << 0;
        QTest::newRow("fewer than present") << 1 << 1;
        QTest::newRow("all") << 3 << 3;
        QTest::newRow("INT_MAX") << INT32_MAX << -1;
    }
    void rowCountsAndLineEnds() {
        QFETCH(int, count);
        QFETCH(int, loaded);
        const QByteArray bytes = Header(count) + RowBytes(0, QByteArray("r\0o\0w\0\n\0", 8)) +
                                 RowBytes(1, QByteArray("r\0o\0w\0\r\0X\0", 10)) +
                                 RowBytes(2, QByteArray("r\0o\0w\0\r\0", 8));
        if (loaded < 0) {
            QVERIFY_THROWS_EXCEPTION(CArchiveException, Load(bytes));
            return;
        }
        const CLoadedScript back = Load(bytes);
        QCOMPARE(int(back.actions.size()), loaded);
        QCOMPARE(back.header.m_iActionCount, count);
        for (int i = 0; i < loaded; ++i) {
            QCOMPARE(back.actions[size_t(i)]->m_dwDelay, uint32_t(i));
            QCOMPARE(back.actions[size_t(i)]->m_strComment, u"row"_s);
        }
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
        const QString path = dir.filePath(u"cut.Vantrell"_s);
        for (int n = 0; n <= full.size(); ++n) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(full.left(n)) == n);
            file.close();
            g_scriptHeader.m_iRepeatCount = 42;
            g_arrLoadedActions.clear();
            g_arrLoadedActions.push_back(MakeAction(RightClick, 1, 2, 3, u"pending"_s));

            QString error;
            const bool ok = ReadScriptFileIntoOpenScript(path, &error);
            // With a row announced, the file must reach past the row's four integers.
            const bool shouldFail = n > 0 && (n < 20 || (rowsStart > 0 && n < rowsStart + 16));
            QVERIFY2(ok == !shouldFail, qPrintable(u"offset %1: %2"_s.arg(n).arg(error)));
            if (!ok) {
                QVERIFY(error.contains(u"unexpected file format"_s));
                QCOMPARE(g_scriptHeader.m_iRepeatCount, 42);
                QCOMPARE(g_arrLoadedActions.size(), size_t(1));
                QCOMPARE(g_arrLoadedActions[0]->m_strComment, u"pending"_s);
            } else if (n == 0) {
                // An empty file is not read at all and opens without rows.
                QCOMPARE(g_scriptHeader.m_iRepeatCount, 42);
                QVERIFY(g_arrLoadedActions.empty());
            } else {
                QCOMPARE(g_scriptHeader.m_iRepeatCount, 3);
                QCOMPARE(g_arrLoadedActions.size(), size_t(rowsStart < 0 ? 0 : 1));
                if (rowsStart > 0)
                    QVERIFY(u"OK"_s.startsWith(g_arrLoadedActions[0]->m_strComment));
            }
        }
    }
};

VANTRELL_TEST_MAIN(TestScriptFile)
#include "tst_scriptfile.moc"
