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
class CPrivateProfileDir {
public:
    CPrivateProfileDir() {
        if (m_dir.isValid())
            qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
    }

private:
    QTemporaryDir m_dir;
};

}  // namespace testsupport

// A suite that needs no display.
#define VANTRELL_TEST_MAIN(TestObject)              \
    int main(int argc, char** argv) {               \
        testsupport::CPrivateProfileDir profileDir; \
        QCoreApplication app(argc, argv);           \
        TestObject tc;                              \
        QTEST_SET_MAIN_SOURCE_PATH                  \
        return QTest::qExec(&tc, argc, argv);       \
    }

// A suite that talks to a real X server: a private Xvfb is started first. AppClass is QCoreApplication,
// QGuiApplication or QApplication.
#define VANTRELL_X11_TEST_MAIN(TestObject, AppClass)                                \
    int main(int argc, char** argv) {                                               \
        testsupport::CPrivateProfileDir profileDir;                                 \
        testsupport::CXvfb xvfb;                                                    \
        QString xvfbError;                                                          \
        if (!xvfb.Start(&xvfbError)) {                                              \
            std::fprintf(stderr, "cannot start Xvfb: %s\n", qPrintable(xvfbError)); \
            return 1;                                                               \
        }                                                                           \
        qputenv("QT_QPA_PLATFORM", "xcb");                                          \
        AppClass app(argc, argv);                                                   \
        TestObject tc;                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                  \
        return QTest::qExec(&tc, argc, argv);                                       \
    }
