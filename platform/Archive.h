#pragma once
// A buffered binary stream over a file: little-endian integers and UTF-16LE text, in the byte layout that
// script files have always had. Reading past the end throws, so a reader can simply read field after
// field and let a short file fail as a whole.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <stdexcept>

class QIODevice;

class CArchiveException : public std::runtime_error {
public:
    enum Cause { endOfFile, readFailed, writeFailed };
    CArchiveException(Cause cause, const char* what) : std::runtime_error(what), m_cause(cause) {}
    Cause m_cause;
};

class CArchive {
public:
    enum Mode { load, store };

    CArchive(QIODevice* device, Mode mode);
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;
    // Does not flush: a storing archive must be closed with Close(), which reports failures.
    ~CArchive() = default;

    bool IsStoring() const { return m_mode == store; }

    CArchive& operator<<(int32_t value) { return WriteRaw(static_cast<uint32_t>(value), 4); }
    CArchive& operator<<(uint32_t value) { return WriteRaw(value, 4); }
    CArchive& operator<<(uint16_t value) { return WriteRaw(value, 2); }
    CArchive& operator>>(int32_t& value);
    CArchive& operator>>(uint32_t& value);
    CArchive& operator>>(uint16_t& value);

    // Writes the text's UTF-16 code units as they are, without any terminator.
    void WriteString(const QString& text);
    // Reads one line: code units up to the first CR or LF, a CR also taking the unit after it. A file that
    // ends inside the line gives what was read; at the very end the text is empty and the result false.
    bool ReadString(QString& text);

    // Bytes left to read from the buffer and the device; used only to size reserves, never trusted.
    qint64 BytesLeft() const;

    // Writes out what is buffered; throws CArchiveException(writeFailed) when the device refuses any of it,
    // a short write included.
    void Close();
    // Bytes handed to the device so far by a storing archive.
    qint64 BytesWritten() const { return m_bytesWritten; }

private:
    CArchive& WriteRaw(uint32_t value, int bytes);
    uint32_t ReadRaw(int bytes);
    // Makes at least n bytes available in the buffer if the device has them; returns how many there are.
    qsizetype Fill(qsizetype n);
    void FlushIfFull();

    QIODevice* m_device;
    Mode m_mode;
    QByteArray m_buffer;
    qsizetype m_pos = 0;  // next byte to read in m_buffer
    bool m_deviceAtEnd = false;
    qint64 m_bytesWritten = 0;
};
