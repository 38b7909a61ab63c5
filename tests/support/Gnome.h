#pragma once
// A private headless GNOME for one test process: mutter with one virtual monitor of 1280x1024, pipewire
// and wireplumber, on a session bus of its own where the desktop portal (with its GNOME back end) and the
// accessibility bus are started on demand. A helper (answer_consent.py) answers every remote-desktop
// dialog of the portal over the accessibility bus, with Share or with Cancel as the test chooses.
//
//   testsupport::CGnome gnome;
//   VANTRELL_REQUIRE_GNOME();                           // QSKIP("skipped: mutter is not installed") etc.
//   QVERIFY2(gnome.Start(&error), qPrintable(error));
//   testsupport::CWaylandRecorder recorder;
//   QVERIFY2(recorder.Start(gnome.ClientEnvironment(), &error), qPrintable(error));
//   QProcess program;
//   gnome.PrepareSessionClient(program);                // joins the bus, as the desktop's account
//
// GNOME runs as the account nobody when the suite runs as root, with a runtime folder and a home of its
// own. Its session bus lets in only that account, and the portal refuses callers whose process it cannot
// inspect, so programs that use the portal run as that account too (PrepareSessionClient); a plain Wayland
// client such as the recorder may run as the caller. Everything ends with this object, or with the test
// process should it crash.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include "tests/support/Children.h"

namespace testsupport {

class CGnome : private CChildren {
public:
    ~CGnome() { Stop(); }

    // The first program or module that is missing ("mutter", "python3-pyatspi", ...); empty when all are
    // there.
    static QString Missing();
    // Starts the desktop and the answerer (which answers Share until told otherwise) and waits until the
    // portal offers remote desktop and the answerer watches the accessibility bus.
    bool Start(QString* error);
    void Stop();

    // How the dialogs opened from now on are answered: Share (with remote interaction allowed) or Cancel.
    void SetConsent(bool bShare);
    // The dialogs answered so far.
    int Answered() const;

    // For a Wayland client of this mutter that runs as the caller: its socket, a private runtime folder of
    // the caller's, Qt's Wayland platform.
    QProcessEnvironment ClientEnvironment() const;
    // Makes the process a client of the desktop's session (mutter, the bus, the portal), run as the
    // desktop's account, with the account's home and profile folder and no Qt platform chosen for it.
    void PrepareSessionClient(QProcess& process) const;
    // A folder that the desktop's account can read and write, for the files its clients open.
    QString SharedFolder() const { return m_dir ? m_dir->path() + QStringLiteral("/shared") : QString(); }

private:
    QString LogTail(const QString& name) const { return FileTail(Path(name)); }

    QProcess m_session;
    QString m_busAddress;
};

}  // namespace testsupport

#define VANTRELL_REQUIRE_GNOME()                                               \
    do {                                                                       \
        const QString missing = testsupport::CGnome::Missing();                \
        if (!missing.isEmpty())                                                \
            QSKIP(qPrintable(QStringLiteral("skipped: %1 is not installed").arg(missing))); \
    } while (false)
