#pragma once
// A real full file system: a 64 KiB tmpfs mounted on a temporary folder, which Fill() takes up to the last
// byte. Mounting needs root (or CAP_SYS_ADMIN); where it is refused, Mounted() is false and SkipReason()
// says why.

#include <sys/mount.h>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>

namespace testsupport {

class CFullDisk {
public:
    CFullDisk() {
        const QByteArray where = QFile::encodeName(m_dir.path());
        if (::mount("tmpfs", where.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") == 0)
            m_bMounted = true;
        else
            m_strSkip = QStringLiteral("skipped: cannot mount a tmpfs here (%1)")
                            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    ~CFullDisk() {
        if (m_bMounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    CFullDisk(const CFullDisk&) = delete;
    CFullDisk& operator=(const CFullDisk&) = delete;

    bool Mounted() const { return m_bMounted; }
    QString SkipReason() const { return m_strSkip; }
    QString FilePath(const QString& name) const { return m_dir.filePath(name); }

    // Writes filler until the file system refuses another byte.
    void Fill() {
        QFile filler(FilePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) > 0) {
        }
        while (filler.write("x", 1) > 0) {
        }
    }

private:
    QTemporaryDir m_dir;
    bool m_bMounted = false;
    QString m_strSkip;
};

}  // namespace testsupport
