#pragma once
// What the private servers and desktops of the suites share: a temporary folder, the account their
// desktops run as (nobody when the suite is root, since sway, kwin and mutter refuse root), and child
// processes that log to that folder, may say on a pipe when they are ready, and end with the owner or with
// the test process should it crash. Start them while the process has a single thread where possible.

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

namespace testsupport {

bool WriteFile(const QString& path, const QByteArray& text, mode_t mode = 0644);
QByteArray ReadFile(const QString& path);

class CChildren {
public:
    CChildren() = default;
    CChildren(const CChildren&) = delete;
    CChildren& operator=(const CChildren&) = delete;
    ~CChildren() { EndAll(); }

    // Makes a new folder (ending the children first) and chooses the desktop's account; `who` names the
    // program in the reason given when root has no account nobody to run it as.
    bool Prepare(const QString& who, QString* error);
    QString Path(const QString& name) const { return m_dir ? m_dir->filePath(name) : QString(); }
    // A folder of mode 0700, given to the desktop's account when bDesktops.
    bool PrivateFolder(const QString& path, bool bDesktops) const;

    // Starts args[0] (found on PATH) with the environment (KEY=VALUE; this process's when empty), as the
    // desktop's account when asDesktopUser; its output goes to NAME.log. "{fd}" in an argument stands for a
    // pipe whose first line is returned in *line when line is given. The pid, or -1 with the reason.
    pid_t Spawn(const QString& name, QStringList args, const QStringList& environment, bool asDesktopUser,
                QByteArray* line, QString* error);
    // Waits until ready() holds; false with the reason when the child ended or the time ran out.
    bool WaitFor(const QString& what, const std::function<bool()>& ready, pid_t pid, QString* error,
                 int timeoutMs = 20000);
    // Ends the child at once, as a crash would (SIGKILL).
    void Kill(pid_t pid);
    // SIGTERM, a few seconds to end, then SIGKILL.
    void End(pid_t pid);
    // Every child, the last started first, and the folder.
    void EndAll();
    // The last lines of each child's log, for a failure message.
    QString LogTail() const;

protected:
    std::unique_ptr<QTemporaryDir> m_dir;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    bool m_bDropRoot = false;

private:
    struct SChild {
        QString name;
        pid_t pid = -1;
    };
    void Forget(pid_t pid);
    std::vector<SChild> m_children;  // in the order started
};

// The last three lines of a file, after its name.
QString FileTail(const QString& path);

}  // namespace testsupport
