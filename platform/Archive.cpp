#include "platform/Archive.h"

#include <QIODevice>
#include <QtEndian>
#include <cstring>

namespace {
constexpr qsizetype kChunk = 64 * 1024;
}

CArchive::CArchive(QIODevice* device, Mode mode) : m_device(device), m_mode(mode) {
    if (mode == store)
        m_buffer.reserve(kChunk + 64);
}

CArchive& CArchive::WriteRaw(uint32_t value, int bytes) {
    char le[4];
    qToLittleEndian(value, le);
    m_buffer.append(le, bytes);
    FlushIfFull();
    return *this;
}

void CArchive::WriteString(const QString& text) {
    const qsizetype first = m_buffer.size();
    m_buffer.resize(first + text.size() * 2);
    char* out = m_buffer.data() + first;
    for (const QChar c : text) {
        qToLittleEndian(c.unicode(), out);
        out += 2;
    }
    FlushIfFull();
}

void CArchive::FlushIfFull() {
    if (m_buffer.size() >= kChunk)
        Close();
}

void CArchive::Close() {
    if (m_mode != store || m_buffer.isEmpty())
        return;
    // A short write is retried with the rest, so that a full disk shows as the device's own error.
    qsizetype done = 0;
    while (done < m_buffer.size()) {
        const qint64 written = m_device->write(m_buffer.constData() + done, m_buffer.size() - done);
        if (written <= 0) {
            m_buffer.clear();
            throw CArchiveException(CArchiveException::writeFailed, "write failed");
        }
        done += static_cast<qsizetype>(written);
        m_bytesWritten += written;
    }
    m_buffer.clear();
}

qsizetype CArchive::Fill(qsizetype n) {
    qsizetype available = m_buffer.size() - m_pos;
    if (available >= n || m_deviceAtEnd)
        return available;
    m_buffer.remove(0, m_pos);
    m_pos = 0;
    while (available < n && !m_deviceAtEnd) {
        // A small file gets a small buffer; a pipe may have more coming than it says.
        const qint64 chunk =
            m_device->isSequential() ? kChunk : std::min<qint64>(kChunk, m_device->bytesAvailable());
        const qsizetype want = std::max(static_cast<qsizetype>(chunk), n - available);
        const qsizetype old = m_buffer.size();
        m_buffer.resize(old + want);
        const qint64 got = m_device->read(m_buffer.data() + old, want);
        if (got < 0) {
            m_buffer.resize(old);
            throw CArchiveException(CArchiveException::readFailed, "read failed");
        }
        m_buffer.resize(old + static_cast<qsizetype>(got));
        if (got == 0)
            m_deviceAtEnd = true;
        available = m_buffer.size();
    }
    return available;
}

uint32_t CArchive::ReadRaw(int bytes) {
    if (Fill(bytes) < bytes)
        throw CArchiveException(CArchiveException::endOfFile, "unexpected end of file");
    const uchar* p = reinterpret_cast<const uchar*>(m_buffer.constData() + m_pos);
    m_pos += bytes;
    return bytes == 4 ? qFromLittleEndian<uint32_t>(p) : qFromLittleEndian<uint16_t>(p);
}

CArchive& CArchive::operator>>(int32_t& value) {
    value = static_cast<int32_t>(ReadRaw(4));
    return *this;
}

CArchive& CArchive::operator>>(uint32_t& value) {
    value = ReadRaw(4);
    return *this;
}

CArchive& CArchive::operator>>(uint16_t& value) {
    value = static_cast<uint16_t>(ReadRaw(2));
    return *this;
}

bool CArchive::ReadString(QString& text) {
    text.clear();
    bool any = false;
    for (;;) {
        const qsizetype available = Fill(2);
        if (available < 2) {
            m_pos += available;  // an odd byte at the end is no code unit
            return any;
        }
        any = true;
        // Scan the buffered code units for the line end.
        const uchar* p = reinterpret_cast<const uchar*>(m_buffer.constData() + m_pos);
        const qsizetype units = available / 2;
        qsizetype i = 0;
        char16_t unit = 0;
        for (; i < units; ++i) {
            unit = qFromLittleEndian<char16_t>(p + 2 * i);
            if (unit == u'\r' || unit == u'\n')
                break;
        }
        const qsizetype first = text.size();
        text.resize(first + i);
        char16_t* out = reinterpret_cast<char16_t*>(text.data()) + first;
        for (qsizetype k = 0; k < i; ++k)
            out[k] = qFromLittleEndian<char16_t>(p + 2 * k);
        m_pos += 2 * i;
        if (i == units)
            continue;  // no line end in the buffer yet
        m_pos += 2;
        if (unit == u'\r' && Fill(2) >= 2)
            m_pos += 2;  // the unit after a CR belongs to the line end, whatever it is
        return true;
    }
}

qint64 CArchive::BytesLeft() const {
    const qint64 buffered = m_buffer.size() - m_pos;
    return m_deviceAtEnd ? buffered : buffered + std::max<qint64>(0, m_device->bytesAvailable());
}
