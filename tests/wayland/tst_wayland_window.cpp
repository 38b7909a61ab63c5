// The windows on a real Wayland compositor: this suite's own windows live on a private headless sway with
// three outputs (one left of the origin, one at scale 2), and its virtual pointer does the pointing. Where
// no program may read the pointer, positions are picked on the overlay.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/Profile.h"
#include "platform/RecordingInput.h"
#include "tests/support/Actions.h"
#include "platform/wayland/WlrootsInput.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/PrivateBus.h"
#include "tests/support/Sway.h"
#include "tests/support/TestMain.h"
#include "ui/AppHotKeys.h"
#include "ui/DlgAction.h"

using namespace Qt::Literals::StringLiterals;

namespace {

const QRect kMain(0, 0, 1280, 1024);
const QRect kLeftOf(-800, 100, 800, 600);
const QRect kScaled(1280, 0, 640, 512);

testsupport::CSway* g_sway = nullptr;  // null when sway could not start
QString g_swayError;

QList<QWidget*> Overlays() {
    QList<QWidget*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == u"Pick a position")
            found << w;
    }
    return found;
}

bool Click(platform::IInput& pointer, unsigned flags) {
    platform::INPUT input;
    input.mi.dwFlags = flags;
    return pointer.SendInput(1, &input, sizeof input) == 1;
}

}  // namespace

class TestWaylandWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        if (!testsupport::CSway::Installed())
            QSKIP("skipped: sway is not installed");
        QVERIFY2(g_sway, qPrintable(g_swayError));
        QString error;
        m_pointer = platform::CreateWlrootsInput(&error);
        QVERIFY2(m_pointer, qPrintable(error));
        QList<QRect> screens;
        for (QScreen* screen : QGuiApplication::screens())
            screens << screen->geometry();
        std::sort(screens.begin(), screens.end(), [](const QRect& a, const QRect& b) { return a.x() < b.x(); });
        QCOMPARE(screens, (QList<QRect>{kLeftOf, kMain, kScaled}));
    }

    // The editor's capture key opens the overlay on every output; the live position follows the pointer
    // in layout coordinates (negative left of the origin, logical on the scaled output) and a click puts
    // it into X and Y. The pointer's position is never read.
    void captureKeyPicksOnEveryOutput_data() {
        QTest::addColumn<QPoint>("point");
        QTest::newRow("main output") << QPoint(200, 150);
        QTest::newRow("left of the origin") << QPoint(-700, 650);
        QTest::newRow("scaled output") << QPoint(1900, 500);
    }
    void captureKeyPicksOnEveryOutput() {
        QFETCH(QPoint, point);
        CAppHotKeys hotKeys;
        platform::CEventLog log;
        platform::CRecordingInput input{log};
        testsupport::CFakeServices fakes{hotKeys, input};
        fakes.services.bReadsPointer = false;
        CDlgAction dlg(fakes.services);
        CMouseAction record;
        record.m_iX = 1;
        record.m_iY = 2;
        dlg.m_pAction = &record;
        dlg.open();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTest::keyClick(dlg.windowHandle(), Qt::Key_F6);
        QTRY_COMPARE(Overlays().size(), QGuiApplication::screens().size());
        for (QWidget* cover : Overlays())
            QVERIFY(QTest::qWaitForWindowExposed(cover));
        const auto label = [&dlg] { return dlg.findChild<QLabel*>(u"lblCurrentLocation"_s)->text(); };
        const auto field = [&dlg](const QString& name) { return dlg.findChild<QLineEdit*>(name)->text(); };
        QVERIFY(m_pointer->SetCursorPos(point.x(), point.y()));
        QTRY_COMPARE(label(), u"Mouse Cursor at X = %1 and Y = %2"_s.arg(point.x()).arg(point.y()));
        QVERIFY(Click(*m_pointer, platform::MOUSEEVENTF_LEFTDOWN));
        QVERIFY(Click(*m_pointer, platform::MOUSEEVENTF_LEFTUP));
        QTRY_COMPARE(field(u"editX"_s), QString::number(point.x()));
        QCOMPARE(field(u"editY"_s), QString::number(point.y()));
        QTRY_VERIFY(Overlays().isEmpty());
        QVERIFY(log.Events().empty());  // nothing was asked of the input service
        QCOMPARE(record.m_iX, 1);
    }

    // The program's own window on sway: it chooses the wlroots back end by itself, and `vantrell --toggle`
    // starts and stops its run from outside (the start/stop key a user binds in sway). The clicks land at
    // their layout positions, left of the origin here, and a stop leaves no button down.
    void toggleDrivesTheWindowsRun() {
        if (!testsupport::CPrivateBus::Available())
            QSKIP("skipped: dbus-daemon is not installed");
        testsupport::CPrivateBus bus;
        QString busError;
        QVERIFY2(bus.Start(&busError), qPrintable(busError));
        QProcessEnvironment env = g_sway->ClientEnvironment();
        env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, bus.Address());
        env.remove(u"DISPLAY"_s);
        env.remove(u"QT_QPA_PLATFORM"_s);  // the program chooses Qt's platform with its back end
        // Told once already, so no message waits in front of the run.
        QVERIFY(platform::WriteProfileInt(u"Settings"_s, u"m_bToldHowToBindToggle"_s, 1));
        const auto vantrell = [&env](const QStringList& args) {
            QProcess command;
            command.setProcessEnvironment(env);
            command.start(QStringLiteral(VANTRELL_BINARY), args);
            command.waitForFinished(20000);
            return std::pair{command.exitCode(), QString::fromUtf8(command.readAllStandardError())};
        };
        QCOMPARE(vantrell({u"--stop"_s}), (std::pair{1, u"vantrell: no Vantrell window is running\n"_s}));

        QTemporaryDir dir;
        QList<testsupport::SRow> rows;
        for (int i = 0; i < 400; ++i)
            rows << testsupport::SRow{LeftClick, -700 + i % 20, 650, 30};
        const QString script =
            testsupport::WriteScript(dir.filePath(u"left.Vantrell"_s), rows, testsupport::Header(1000));
        QProcess window;
        window.setProcessEnvironment(env);
        window.setProcessChannelMode(QProcess::ForwardedChannels);
        window.start(QStringLiteral(VANTRELL_BINARY), {script});
        // The window answers once it owns its name on the bus.
        QTRY_VERIFY_WITH_TIMEOUT(vantrell({u"--stop"_s}).first == 0, 20000);

        // The recorder's windows cover every output, above the program's own.
        testsupport::CWaylandRecorder recorder;
        QString error;
        QVERIFY2(recorder.Start(*g_sway, &error), qPrintable(error));
        QCOMPARE(vantrell({u"--toggle"_s}), (std::pair{0, QString()}));
        QVERIFY(recorder.WaitForEvents(10));
        QCOMPARE(vantrell({u"--toggle"_s}), (std::pair{0, QString()}));
        const auto [clicks, stopped] = testsupport::StoppedRow(recorder, -700, 650, 500, 300);
        QCOMPARE(clicks, stopped);
        QVERIFY(recorder.IsRunning());
        window.terminate();
        QVERIFY(window.waitForFinished(20000));
    }

private:
    std::unique_ptr<platform::IInput> m_pointer;
};

// The compositor comes first: this process's windows are its clients.
int main(int argc, char** argv) {
    testsupport::CPrivateProfileDir profileDir;
    testsupport::CSway sway;
    {
        QCoreApplication starting(argc, argv);
        if (testsupport::CSway::Installed() && sway.Start(&g_swayError, kMain.width(), kMain.height()) &&
            sway.AddOutput(kLeftOf) == u"HEADLESS-2" && sway.AddOutput(kScaled, 2) == u"HEADLESS-3") {
            sway.UseForThisProcess();
            g_sway = &sway;
        } else if (g_swayError.isEmpty()) {
            g_swayError = u"sway did not take the outputs"_s;
        }
    }
    qputenv("QT_QPA_PLATFORM", g_sway ? "wayland" : "offscreen");
    QApplication app(argc, argv);
    TestWaylandWindow tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_wayland_window.moc"
