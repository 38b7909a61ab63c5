#include "platform/Profile.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

// The file is QSettings' INI format, so profiles written before and by QSettings read the same. Only the
// sections the program asks for are looked at: a line of another section is never parsed, and a write
// replaces, inserts or removes the entry's own line and keeps every other byte of the file as it was.
// Nothing is written when an entry already holds the value.

bool IsHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool IsKeyChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
           c == u'-' || c == u'.';
}

// A section or entry name as QSettings writes it: other characters as %XX or %UXXXX.
QByteArray EscapedKey(const QString& key) {
    QByteArray out;
    for (const QChar qc : key) {
        const char16_t c = qc.unicode();
        if (IsKeyChar(c))
            out += char(c);
        else if (c <= 0xFF)
            out += '%' + QByteArray::number(c, 16).rightJustified(2, '0').toUpper();
        else
            out += "%U" + QByteArray::number(c, 16).rightJustified(4, '0').toUpper();
    }
    return out;
}

// The reverse, for section names written by hand or by another tool.
QString UnescapedKey(QByteArrayView raw) {
    QString out;
    const QString text = QString::fromUtf8(raw);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool wide = text.at(i) == u'%' && text.mid(i + 1, 1) == u"U"_s;
        const qsizetype digits = wide ? 4 : 2;
        const qsizetype start = i + (wide ? 2 : 1);
        bool ok = false;
        const uint code = text.at(i) == u'%' ? text.mid(start, digits).toUInt(&ok, 16) : 0;
        if (ok && text.mid(start, digits).size() == digits) {
            out += QChar(char16_t(code));
            i = start + digits - 1;
        } else {
            out += text.at(i);
        }
    }
    return out;
}

// The controls that QSettings writes as a backslash and a letter.
constexpr std::pair<char16_t, char16_t> kEscapes[] = {
    {u'\a', u'a'}, {u'\b', u'b'}, {u'\f', u'f'}, {u'\n', u'n'}, {u'\r', u'r'}, {u'\t', u't'}, {u'\v', u'v'}};

// The letter of a control that has one, else 0.
char16_t EscapeLetter(char16_t c) {
    for (const auto& [control, letter] : kEscapes)
        if (control == c)
            return letter;
    return 0;
}

// The control of an escape letter, else 0.
char16_t EscapedChar(char16_t letter) {
    for (const auto& [control, l] : kEscapes)
        if (l == letter)
            return control;
    return 0;
}

// A text value as QSettings writes it: escapes for controls, quotes and backslashes, and the whole in
// quotes when it holds a separator or starts or ends with a space.
QByteArray EscapedValue(const QString& value) {
    QString out;
    // A NUL cannot stand as it is: QSettings marks such a text as a String value.
    const bool marked = value.contains(QChar(0));
    if (marked)
        out += u"@String("_s;
    else if (value.startsWith(u'@'))
        out += u'@';
    bool needsQuotes = false;
    bool escapeNextIfHex = false;
    for (const QChar c : value) {
        if (c == u';' || c == u',' || c == u'=')
            needsQuotes = true;
        if (escapeNextIfHex && IsHexDigit(c)) {
            out += QStringLiteral("\\x") + QString::number(c.unicode(), 16);
            continue;
        }
        escapeNextIfHex = false;
        switch (c.unicode()) {
            case u'\0':
                out += u"\\0"_s;
                escapeNextIfHex = true;
                break;
            case u'"':
            case u'\\':
                out += u'\\';
                out += c;
                break;
            default:
                if (const char16_t letter = EscapeLetter(c.unicode())) {
                    out += u'\\';
                    out += QChar(letter);
                } else if (c.unicode() <= 0x1F) {
                    out += QStringLiteral("\\x") + QString::number(c.unicode(), 16);
                    escapeNextIfHex = true;
                } else {
                    out += c;
                }
        }
    }
    if (marked)
        out += u')';
    if (needsQuotes || out.startsWith(u' ') || out.endsWith(u' '))
        out = u'"' + out + u'"';
    return out.toUtf8();
}

// A stored value as text, as QSettings reads it; none for a list of several texts or a value of another
// type than text (the @ forms other than @@ and @ByteArray).
std::optional<QString> UnescapedValue(QByteArrayView raw) {
    QStringList items;
    QString current;
    bool inQuotes = false;
    bool quotedOrText = false;
    QString pendingSpaces;  // outside quotes, spaces count only between other characters
    const QString text = QString::fromUtf8(raw);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch == u'"') {
            inQuotes = !inQuotes;
            current += pendingSpaces;
            pendingSpaces.clear();
            quotedOrText = true;
            continue;
        }
        if (!inQuotes && ch == u',') {
            items << current;
            current.clear();
            pendingSpaces.clear();
            quotedOrText = false;
            continue;
        }
        if (!inQuotes && (ch == u' ' || ch == u'\t')) {
            if (quotedOrText)
                pendingSpaces += ch;
            continue;
        }
        current += pendingSpaces;
        pendingSpaces.clear();
        quotedOrText = true;
        if (ch != u'\\' || i + 1 == text.size()) {
            current += ch;
            continue;
        }
        const QChar e = text.at(++i);
        if (const char16_t escaped = EscapedChar(e.unicode())) {
            current += QChar(escaped);
            continue;
        }
        switch (e.unicode()) {
            case u'x': {
                qsizetype end = i + 1;
                while (end < text.size() && IsHexDigit(text.at(end)))
                    ++end;
                current += QChar(char16_t(text.mid(i + 1, end - i - 1).toUInt(nullptr, 16)));
                i = end - 1;
                break;
            }
            default:
                if (e >= u'0' && e <= u'7') {
                    qsizetype end = i;
                    while (end < text.size() && end - i < 3 && text.at(end) >= u'0' && text.at(end) <= u'7')
                        ++end;
                    current += QChar(char16_t(text.mid(i, end - i).toUInt(nullptr, 8)));
                    i = end - 1;
                } else {
                    current += e;  // \" \' \\ \? and any other character stand for themselves
                }
        }
    }
    items << current;
    if (items.size() != 1)
        return std::nullopt;
    QString value = items.constFirst();
    if (value.startsWith(u'@')) {
        if (value.startsWith(u"@@"_s))
            return value.mid(1);
        if (value.startsWith(u"@ByteArray("_s) && value.endsWith(u')'))
            return value.mid(11, value.size() - 12);
        if (value.startsWith(u"@String("_s) && value.endsWith(u')'))
            return value.mid(8, value.size() - 9);
        return std::nullopt;
    }
    return value;
}

// An entry's line in the file.
struct CLine {
    qsizetype begin = 0;  // its first byte
    qsizetype end = 0;    // after its line end
    QByteArrayView key;   // the entry's name as written, in the file's bytes
};

// The entries of a section that the program uses, in file order over all its blocks.
struct CSection {
    QByteArray escaped;  // the header's name as QSettings writes it
    QByteArray plain;    // and as written by hand
    QList<CLine> lines;
    qsizetype end = 0;  // where a new entry goes: after the last entry of the last block

    // Whether a header's name, as written between the brackets, is this section's.
    bool IsNamed(QByteArrayView raw, const QString& name) const {
        if (raw == escaped || raw == plain)
            return true;
        // Any other spelling has escapes; the length rules out most headers before they are decoded.
        return raw.contains('%') && raw.size() >= name.size() && raw.size() <= 6 * name.size() &&
               UnescapedKey(raw) == name;
    }
};

// A change of the file: the bytes from begin to end replaced by text.
struct CEdit {
    qsizetype begin;
    qsizetype end;
    QByteArray text;
};

struct CStamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    timespec mtime{};
    bool operator==(const CStamp& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec;
    }
};

class CProfileFile {
public:
    // The file QSettings uses for the profile in its native format.
    CProfileFile()
        : m_path(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
                 QString::fromUtf16(kProfileOrganization) + u'/' + QString::fromUtf16(kProfileApplication) +
                 u".conf"_s) {}

    std::optional<QString> Value(const QString& section, const QString& entry) {
        QMutexLocker lock(&m_mutex);
        const CLine* line = Find(Want(section), EscapedKey(entry));
        if (!line)
            return std::nullopt;
        const QByteArrayView text = QByteArrayView(m_data).sliced(line->begin, line->end - line->begin);
        return UnescapedValue(text.sliced(text.indexOf('=') + 1).trimmed());
    }

    // Sets each entry to its value, or removes it when it has none, in one write of the file; writes
    // nothing when the entries hold these values already.
    bool Write(const QString& section, const QList<std::pair<QString, std::optional<QString>>>& entries) {
        QMutexLocker lock(&m_mutex);
        const CSection& lines = Want(section);
        const bool sectionExists = lines.end > 0;  // its header is in the file
        QList<CEdit> edits;
        QByteArray added;  // new entries, in the order given
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const auto& [entry, value] = entries[i];
            bool later = false;  // the same entry again further on: that one counts
            for (qsizetype k = i + 1; k < entries.size(); ++k)
                later |= entries[k].first == entry;
            if (later)
                continue;
            const QByteArray key = EscapedKey(entry);
            const QByteArray text = value ? key + '=' + EscapedValue(*value) + '\n' : QByteArray();
            const CLine* last = Find(lines, key);
            if (!last) {
                added += text;
                continue;
            }
            if (value && QByteArrayView(m_data).sliced(last->begin, last->end - last->begin) == text)
                continue;
            // A set replaces the last line, the one that is read; a removal removes every line.
            for (const CLine& line : lines.lines) {
                if (line.key == key && (!value || &line == last))
                    edits.append({line.begin, line.end, &line == last ? text : QByteArray()});
            }
        }
        if (edits.isEmpty() && added.isEmpty())
            return true;
        const qsizetype size = m_data.size();
        const QByteArray lineEnd = size > 0 && !m_data.endsWith('\n') ? "\n"_ba : QByteArray();
        if (!added.isEmpty() && sectionExists) {
            edits.append({lines.end, lines.end, (lines.end == size ? lineEnd : QByteArray()) + added});
        } else if (!added.isEmpty()) {
            edits.append(
                {size, size,
                 lineEnd + (size > 0 ? "\n"_ba : QByteArray()) + '[' + EscapedKey(section) + "]\n" + added});
        }
        std::stable_sort(edits.begin(), edits.end(),
                         [](const CEdit& a, const CEdit& b) { return a.begin < b.begin; });
        QByteArray data;
        data.reserve(size + added.size() + 64);
        qsizetype pos = 0;
        for (const CEdit& edit : edits) {
            data.append(QByteArrayView(m_data).sliced(pos, edit.begin - pos));
            data.append(edit.text);
            pos = edit.end;
        }
        data.append(QByteArrayView(m_data).sliced(pos));

        QDir().mkpath(QFileInfo(m_path).absolutePath());
        QSaveFile file(m_path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
            return false;
        m_data = std::move(data);
        m_stamp = Stat();
        Index();
        return true;
    }

private:
    static const CLine* Find(const CSection& section, QByteArrayView key) {
        for (qsizetype i = section.lines.size() - 1; i >= 0; --i) {
            if (section.lines[i].key == key)
                return &section.lines[i];
        }
        return nullptr;
    }

    // The section's entries, the file read again first if it changed on disk.
    const CSection& Want(const QString& section) {
        if (!m_loaded || !(Stat() == m_stamp))
            Reload();
        if (!m_sections.contains(section)) {
            m_sections.insert(section, {EscapedKey(section), section.toUtf8(), {}, 0});
            Index();
        }
        return *m_sections.constFind(section);
    }

    CStamp Stat() const {
        CStamp stamp;
        struct stat st {};
        if (::stat(QFile::encodeName(m_path).constData(), &st) == 0)
            stamp = {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
        return stamp;
    }

    void Reload() {
        m_loaded = true;
        m_stamp = Stat();
        m_data.clear();
        QFile file(m_path);
        if (file.open(QIODevice::ReadOnly))
            m_data = file.readAll();
        Index();
    }

    // Finds the entries of the sections the program has asked for. Lines of other sections are only
    // looked at for a section header.
    void Index() {
        for (CSection& section : m_sections) {
            section.lines.clear();
            section.end = 0;
        }
        CSection* section = nullptr;
        const char* const base = m_data.constData();
        const qsizetype size = m_data.size();
        qsizetype pos = 0;
        while (pos < size) {
            const char* nl = static_cast<const char*>(std::memchr(base + pos, '\n', size_t(size - pos)));
            const qsizetype end = nl ? nl - base + 1 : size;
            const QByteArrayView line = QByteArrayView(base + pos, end - pos).trimmed();
            if (line.startsWith('[')) {
                const qsizetype close = line.indexOf(']');
                const QByteArrayView name = line.sliced(1, (close < 0 ? line.size() : close) - 1).trimmed();
                section = nullptr;
                for (auto it = m_sections.begin(); it != m_sections.end() && !section; ++it) {
                    if (it->IsNamed(name, it.key()))
                        section = &*it;
                }
                if (section)
                    section->end = end;
            } else if (section && !line.isEmpty() && line.front() != ';' && line.front() != '#') {
                const qsizetype eq = line.indexOf('=');
                if (eq > 0) {
                    section->lines.append({pos, end, line.first(eq).trimmed()});
                    section->end = end;
                }
            }
            pos = end;
        }
    }

    QMutex m_mutex;
    QString m_path;
    bool m_loaded = false;
    CStamp m_stamp;
    QByteArray m_data;
    QHash<QString, CSection> m_sections;  // the sections asked for, found in m_data or not
};

CProfileFile& Profile() {
    static CProfileFile profile;
    return profile;
}

}  // namespace

int GetProfileInt(const QString& section, const QString& entry, int def) {
    const std::optional<QString> value = Profile().Value(section, entry);
    if (!value)
        return def;
    bool ok = false;
    const qlonglong n = value->trimmed().toLongLong(&ok);
    // A DWORD may have been written unsigned by another tool; anything wider is not ours.
    if (!ok || n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<uint32_t>::max())
        return def;
    return static_cast<int>(static_cast<uint32_t>(n));
}

bool WriteProfileInt(const QString& section, const QString& entry, int value) {
    return Profile().Write(section, {{entry, QString::number(value)}});
}

QString GetProfileString(const QString& section, const QString& entry, const QString& def) {
    return Profile().Value(section, entry).value_or(def);
}

bool WriteProfileString(const QString& section, const QString& entry, const QString& value) {
    return Profile().Write(section, {{entry, value}});
}

bool WriteProfileEntries(const QString& section,
                         const QList<std::pair<QString, std::optional<QString>>>& entries) {
    return Profile().Write(section, entries);
}

void RemoveProfileEntry(const QString& section, const QString& entry) {
    // An entry without a value; built in place, since GCC's sanitizer builds warn of a moved empty value.
    QList<std::pair<QString, std::optional<QString>>> removal(1);
    removal[0].first = entry;
    Profile().Write(section, removal);
}

}  // namespace platform
