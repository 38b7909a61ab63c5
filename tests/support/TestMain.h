#pragma once
// Entry points of the test executables. Every suite runs with a private, empty profile folder so that no
// test ever reads or writes the user's real settings; suites that need an X server get a private Xvfb of
// their own, started before the application object connects to it.

#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "tests/support/Xvfb.h"

namespace testsupport {

// Points XDG_CONFIG_HOME at a fresh folder for the life of the process.
struct CPrivateProfileDir {
    CPrivateProfileDir() {
        if (m_dir.isValid())
            qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
    }
    QTemporaryDir m_dir;
};

// Starts the server, if there is one to start, and makes Qt use it.
inline bool StartTestServer(CXvfb* xvfb, int width, int height) {
    QString error;
    if (xvfb && !xvfb->Start(&error, width, height)) {
        std::fprintf(stderr, "cannot start Xvfb: %s\n", qPrintable(error));
        return false;
    }
    if (xvfb)
        qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

}  // namespace testsupport

#define VANTRELL_TEST_MAIN_ON(TestObject, AppClass, pXvfb, width, height) \
    int main(int argc, char** argv) {                           \
        testsupport::CPrivateProfileDir profileDir;             \
        testsupport::CXvfb xvfb;                                \
        if (!testsupport::StartTestServer(pXvfb, width, height)) \
            return 1;                                           \
        AppClass app(argc, argv);                               \
        TestObject tc;                                          \
        QTEST_SET_MAIN_SOURCE_PATH                              \
        return QTest::qExec(&tc, argc, argv);                   \
    }

// A suite that needs no display.
#define VANTRELL_TEST_MAIN(TestObject) VANTRELL_TEST_MAIN_ON(TestObject, QCoreApplication, nullptr, 0, 0)
// A suite that talks to a real X server. AppClass is QCoreApplication, QGuiApplication or QApplication.
#define VANTRELL_X11_TEST_MAIN(TestObject, AppClass) VANTRELL_TEST_MAIN_ON(TestObject, AppClass, &xvfb, 1280, 1024)
// The same on a screen of the given size in pixels.
#define VANTRELL_X11_TEST_MAIN_SCREEN(TestObject, AppClass, width, height) \
    VANTRELL_TEST_MAIN_ON(TestObject, AppClass, &xvfb, width, height)
