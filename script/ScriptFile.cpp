#include "script/ScriptFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace {

const QString kLineEnd = QStringLiteral("\r\n");
// The smallest row: four integers, an empty comment cut off by the end of the file.
constexpr qint64 kMinRowBytes = 16;

struct SystemError {
    int code;
};

void WriteLine(CArchive& ar, const QString& text) {
    ar.WriteString(text);
    ar.WriteString(kLineEnd);
}

const QString kNotRegular = QStringLiteral("not a regular file");

// Opens path for reading only when it is a regular file. A FIFO, a device or a socket is refused before it
// is opened, since opening some of them waits or has effects of its own; the open itself does not wait for a
// writer, and the file that was opened is checked again, so a FIFO put in its place meanwhile is refused too.
bool OpenRegularFile(const QString& path, QFile& file, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        *error = kNotRegular;
        return false;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = kNotRegular;
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace

void SerializeAction(CArchive& ar, CMouseAction& action) {
    if (ar.IsStoring()) {
        ar << action.m_dwDelay << action.m_iClickType << action.m_iX << action.m_iY;
        WriteLine(ar, action.m_strComment);
    } else {
        ar >> action.m_dwDelay >> action.m_iClickType >> action.m_iX >> action.m_iY;
        ar.ReadString(action.m_strComment);
    }
}

void StoreScript(CArchive& ar, CScriptHeader& header, const CActionList& rows) {
    ar << header.m_bAutoMinimize << header.m_bAutoRun << header.m_wHotKeyCode << header.m_wHotKeyModifiers
       << header.m_iRepeatCount;
    header.m_iActionCount = rows.GetItemCount();
    ar << header.m_iActionCount;
    WriteLine(ar, header.m_dtAutoRunDate.FormatDate());
    WriteLine(ar, header.m_dtAutoRunTime.FormatTime());
    for (int i = 0; i < rows.GetItemCount(); ++i)
        SerializeAction(ar, *rows.GetItemData(i));
}

void LoadScript(CArchive& ar, CLoadedScript& out) {
    CScriptHeader& h = out.header;
    ar >> h.m_bAutoMinimize >> h.m_bAutoRun >> h.m_wHotKeyCode >> h.m_wHotKeyModifiers >> h.m_iRepeatCount >>
        h.m_iActionCount;
    QString text;
    ar.ReadString(text);
    h.m_dtAutoRunDate = COleDateTime::ParseDate(text);
    ar.ReadString(text);
    h.m_dtAutoRunTime = COleDateTime::ParseTime(text);

    // The count comes from the file and is not trusted for sizing: the reserve is bounded by what the
    // rest of the file can hold, and a count beyond the rows present fails at the first missing row.
    const qint64 count = std::max(0, h.m_iActionCount);
    out.actions.reserve(static_cast<size_t>(std::min(count, ar.BytesLeft() / kMinRowBytes)));
    for (qint64 i = 0; i < count; ++i) {
        auto action = std::make_unique<CMouseAction>();
        SerializeAction(ar, *action);
        out.actions.push_back(std::move(action));
    }
}

bool ReadScriptFile(const QString& path, CLoadedScript& script, QString* error) {
    QFile file;
    if (!OpenRegularFile(path, file, error))
        return false;
    return ReadScript(file, script, error);
}

bool ReadScript(QIODevice& device, CLoadedScript& script, QString* error) {
    if (device.size() == 0)
        return true;
    CLoadedScript loaded{script.header, {}};
    try {
        CArchive ar(&device, CArchive::load);
        LoadScript(ar, loaded);
    } catch (const CArchiveException& e) {
        *error = e.m_cause == CArchiveException::endOfFile
                     ? QStringLiteral("unexpected file format (the file ends too early)")
                     : device.errorString();
        return false;
    }
    script = std::move(loaded);
    return true;
}

bool ReadScriptFileIntoOpenScript(const QString& path, QString* error) {
    QFile file;
    if (!OpenRegularFile(path, file, error))
        return false;
    return ReadScriptIntoOpenScript(file, error);
}

bool ReadScriptIntoOpenScript(QIODevice& device, QString* error) {
    CLoadedScript script{g_scriptHeader, {}};
    if (!ReadScript(device, script, error))
        return false;
    g_scriptHeader = script.header;
    g_arrLoadedActions = std::move(script.actions);
    return true;
}

bool WriteScriptFile(const QString& path, CScriptHeader& header, const CActionList& rows, QString* error) {
    // Unbuffered, so that every write reaches the file at once and a failed one is seen by the save file: a
    // failure in the buffered device's final flush would not stop the commit from replacing the old file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    CScriptHeader written = header;
    try {
        CArchive ar(&file, CArchive::store);
        StoreScript(ar, written, rows);
        ar.Close();
        // The new file replaces the old one only once it is on the disk in full.
        const int fd = file.handle();
        struct stat status {};
        if (::fsync(fd) != 0 || ::fstat(fd, &status) != 0)
            throw SystemError{errno};
        if (status.st_size != ar.BytesWritten())
            throw SystemError{EIO};
    } catch (const CArchiveException&) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    } catch (const SystemError& e) {
        *error = QString::fromLocal8Bit(std::strerror(e.code));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    header.m_iActionCount = written.m_iActionCount;
    return true;
}
