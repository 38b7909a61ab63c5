#include <QCursor>
#include <QGuiApplication>
#include <QTest>

#include "platform/x11/X11Input.h"
#include "tests/support/ButtonRecorder.h"
#include "tests/support/TestMain.h"
#include "tests/support/X11Peer.h"

using namespace platform;

// Qt reads the scale once, when the application object is made.
static const bool g_bScaled = qputenv("QT_SCALE_FACTOR", "2");

class TestX11InputScaled : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void positionsArePhysicalPixels();
};

void TestX11InputScaled::positionsArePhysicalPixels() {
    QVERIFY(g_bScaled);
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    QString error;
    testsupport::CButtonRecorder recorder;
    QVERIFY2(recorder.Open(&error), qPrintable(error));
    testsupport::CX11Peer peer;
    QVERIFY2(peer.Open(&error), qPrintable(error));
    std::unique_ptr<IInput> input = CreateX11Input(&error);
    QVERIFY2(input, qPrintable(error));

    QVERIFY(input->SetCursorPos(900, 700));
    // The round trip also makes sure the warp was done before the other clients ask.
    POINT pt;
    QVERIFY(input->GetCursorPos(&pt));
    QCOMPARE(QPoint(pt.x, pt.y), QPoint(900, 700));
    QPoint server;
    QVERIFY(peer.QueryPointer(&server.rx(), &server.ry()));
    QCOMPARE(server, QPoint(900, 700));
    // Qt's own view of the same spot is in logical pixels: the numbers differ, which is the point.
    QCOMPARE(QCursor::pos(), QPoint(450, 350));

    INPUT click[2];
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    QCOMPARE(input->SendInput(2, click, sizeof(INPUT)), 2u);
    QVERIFY(recorder.WaitForEvents(2));
    QCOMPARE(recorder.Events(), (QList{testsupport::Press(1, 900, 700), testsupport::Release(1, 900, 700)}));
}

VANTRELL_X11_TEST_MAIN(TestX11InputScaled, QGuiApplication)
#include "tst_x11input_scaled.moc"
