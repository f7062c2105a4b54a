#include "platform/ProfileFile.h"

#include "base/TextFormat.h"
#include "platform/AtomicFile.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSet>

namespace {

// How the file's text is stored. Windows' profile functions read a file with a
// UTF-16 LE or a UTF-8 byte-order mark as well as an 8-bit one; a write keeps the
// file's encoding and mark. The lines are parsed on an 8-bit form of the text: the
// Windows-1252 bytes themselves, or UTF-8 for a file that had a mark.
enum class Encoding { Ansi, Utf8, Utf16Le };

struct Codec {
    Encoding encoding = Encoding::Ansi;

    QString decode(QByteArrayView bytes) const {
        return encoding == Encoding::Ansi ? fromWindows1252(bytes.toByteArray())
                                          : QString::fromUtf8(bytes);
    }
    QByteArray encode(const QString& text) const {
        return encoding == Encoding::Ansi ? toWindows1252(text) : text.toUtf8();
    }
};

const QByteArray Utf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");
const QByteArray Utf16LeMark = QByteArrayLiteral("\xFF\xFE");
constexpr char CtrlZ = '\x1A'; // a DOS end of file: not part of the last value

// A file's content as the parser reads it: its 8-bit text (without the mark and a
// trailing Ctrl-Z), and what the write must put back around it.
struct Unwrapped {
    Codec codec;
    QByteArray text;
    qsizetype ctrlZ = 0; // trailing Ctrl-Z characters, kept on a write
};

Unwrapped unwrap(const QByteArray& raw) {
    Unwrapped u;
    if (raw.startsWith(Utf16LeMark)) {
        u.codec.encoding = Encoding::Utf16Le;
        const QByteArray body = raw.sliced(2);
        u.text =
            QString::fromUtf16(reinterpret_cast<const char16_t*>(body.constData()), body.size() / 2)
                .toUtf8();
    } else if (raw.startsWith(Utf8Mark)) {
        u.codec.encoding = Encoding::Utf8;
        u.text = raw.sliced(3);
    } else {
        u.text = raw;
    }
    while (u.text.endsWith(CtrlZ)) {
        u.text.chop(1);
        ++u.ctrlZ;
    }
    return u;
}

QByteArray wrap(const Unwrapped& u, const QByteArray& text) {
    const QByteArray body = text + QByteArray(u.ctrlZ, CtrlZ);
    switch (u.codec.encoding) {
    case Encoding::Utf16Le: {
        const QString wide = QString::fromUtf8(body);
        return Utf16LeMark +
               QByteArray(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2);
    }
    case Encoding::Utf8:
        return Utf8Mark + body;
    case Encoding::Ansi:
        break;
    }
    return body;
}

// One line of the file: its bytes are [start, end), its line end [end, next).
struct Line {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype next = 0;

    bool terminated() const { return next > end; }
};

enum class Kind { Blank, Comment, Header, Key, Other };

struct Parsed {
    Kind kind = Kind::Blank;
    QString name; // section or key name, trimmed
    QString value;
};

QList<Line> splitLines(const QByteArray& content) {
    QList<Line> lines;
    const qsizetype n = content.size();
    qsizetype pos = 0;
    while (pos < n) {
        Line line;
        line.start = pos;
        qsizetype i = pos;
        while (i < n && content.at(i) != '\r' && content.at(i) != '\n') {
            ++i;
        }
        line.end = i;
        if (i + 1 < n && content.at(i) == '\r' && content.at(i + 1) == '\n') {
            i += 2;
        } else if (i < n) {
            ++i;
        }
        line.next = i;
        lines << line;
        pos = i;
    }
    return lines;
}

// The line end new lines get: the file's own (its first one), CR LF for a file
// that has none yet.
QByteArray lineEndOf(const QByteArray& content) {
    for (qsizetype i = 0; i < content.size(); ++i) {
        if (content.at(i) == '\n') {
            return QByteArrayLiteral("\n");
        }
        if (content.at(i) == '\r') {
            return i + 1 < content.size() && content.at(i + 1) == '\n' ? QByteArrayLiteral("\r\n")
                                                                       : QByteArrayLiteral("\r");
        }
    }
    return QByteArrayLiteral("\r\n");
}

bool isBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && isBlankOrTab(text.front())) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && isBlankOrTab(text.back())) {
        text.chop(1);
    }
    return text;
}

// One pair of enclosing quotes, double or single, goes.
QByteArrayView unquoted(QByteArrayView value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.sliced(1, value.size() - 2);
    }
    return value;
}

Parsed parse(QByteArrayView text, const Codec& codec) {
    Parsed p;
    qsizetype i = 0;
    while (i < text.size() && isBlankOrTab(text.at(i))) {
        ++i;
    }
    if (i == text.size()) {
        return p;
    }
    if (text.at(i) == '[') {
        const qsizetype close = text.indexOf(']', i + 1);
        if (close < 0) {
            p.kind = Kind::Other;
            return p;
        }
        p.kind = Kind::Header;
        p.name = codec.decode(trimmed(text.sliced(i + 1, close - i - 1)));
        return p;
    }
    if (text.at(i) == ';') {
        p.kind = Kind::Comment;
        return p;
    }
    const qsizetype equals = text.indexOf('=');
    if (equals < 0) {
        p.kind = Kind::Other;
        return p;
    }
    p.kind = Kind::Key;
    p.name = codec.decode(trimmed(text.first(equals)));
    p.value = codec.decode(unquoted(trimmed(text.sliced(equals + 1))));
    return p;
}

Parsed parse(const QByteArray& content, const Line& line, const Codec& codec) {
    return parse(QByteArrayView(content).sliced(line.start, line.end - line.start), codec);
}

QString trimmedName(const QString& name, const Codec& codec) {
    qsizetype first = 0;
    qsizetype last = name.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (first < last && blank(name.at(first))) {
        ++first;
    }
    while (last > first && blank(name.at(last - 1))) {
        --last;
    }
    // The name as it reads back from the file (in an 8-bit file, characters without a
    // Windows-1252 code having become "?").
    return codec.decode(codec.encode(name.mid(first, last - first)));
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool breaksLine(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) ||
           text.contains(QChar(u'\0'));
}

// The new 8-bit text, or nothing when the write must be refused.
std::optional<QByteArray> updateText(const QByteArray& content, const Codec& codec,
                                     const QString& section, const QString& key,
                                     const QString& value);

} // namespace

QStringList ProfileFile::sections(const QString& nativePath) {
    QFile file(nativePath);
    QStringList names;
    if (!file.open(QIODevice::ReadOnly)) {
        return names;
    }
    const Unwrapped u = unwrap(file.readAll());
    for (const Line& line : splitLines(u.text)) {
        const Parsed p = parse(u.text, line, u.codec);
        if (p.kind == Kind::Header && !p.name.isEmpty()) {
            names << p.name;
        }
    }
    return names;
}

std::optional<QString> ProfileFile::find(const QByteArray& raw, const QString& section,
                                         const QString& key) {
    const Unwrapped u = unwrap(raw);
    const QByteArray& content = u.text;
    const QString s = trimmedName(section, u.codec);
    const QString k = trimmedName(key, u.codec);
    if (s.isEmpty() || k.isEmpty()) {
        return std::nullopt;
    }
    bool inSection = false;
    for (const Line& line : splitLines(content)) {
        const Parsed p = parse(content, line, u.codec);
        if (p.kind == Kind::Header) {
            if (inSection) {
                return std::nullopt; // only the first matching section counts
            }
            inSection = sameName(p.name, s);
        } else if (inSection && p.kind == Kind::Key && sameName(p.name, k)) {
            return p.value.left(MaxValueLength);
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> ProfileFile::update(const QByteArray& raw, const QString& section,
                                              const QString& key, const QString& value) {
    const Unwrapped u = unwrap(raw);
    const std::optional<QByteArray> updated = updateText(u.text, u.codec, section, key, value);
    if (!updated) {
        return std::nullopt;
    }
    return wrap(u, *updated);
}

namespace {

std::optional<QByteArray> updateText(const QByteArray& content, const Codec& codec,
                                     const QString& section, const QString& key,
                                     const QString& value) {
    const QString s = trimmedName(section, codec);
    const QString k = trimmedName(key, codec);
    if (s.isEmpty() || k.isEmpty() || breaksLine(s) || breaksLine(k) || breaksLine(value) ||
        s.contains(QLatin1Char(']')) || k.contains(QLatin1Char('=')) ||
        k.startsWith(QLatin1Char('[')) || k.startsWith(QLatin1Char(';'))) {
        return std::nullopt; // it would not read back as this section and key
    }
    const QList<Line> lines = splitLines(content);
    const QByteArray eol = lineEndOf(content);
    const QByteArray keyLine = codec.encode(k + QLatin1Char('=') + value);

    qsizetype header = -1;
    qsizetype lastContent = -1; // the header, or the section's last key or other line
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Parsed p = parse(content, lines.at(i), codec);
        if (p.kind == Kind::Header) {
            if (header >= 0) {
                break;
            }
            if (sameName(p.name, s)) {
                header = lastContent = i;
            }
            continue;
        }
        if (header < 0) {
            continue;
        }
        if (p.kind == Kind::Key && sameName(p.name, k)) {
            const Line& line = lines.at(i);
            return content.first(line.start) + keyLine + content.sliced(line.end);
        }
        if (p.kind == Kind::Key || p.kind == Kind::Other) {
            lastContent = i;
        }
    }

    if (header >= 0) {
        const Line& after = lines.at(lastContent);
        QByteArray out = content.first(after.next);
        if (!after.terminated()) {
            out += eol;
        }
        return out + keyLine + eol + content.sliced(after.next);
    }
    QByteArray out = content;
    if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r')) {
        out += eol;
    }
    return out + '[' + codec.encode(s) + ']' + eol + keyLine + eol;
}

} // namespace

std::optional<QString> ProfileFile::read(const QString& nativePath, const QString& section,
                                         const QString& key) {
    if (nativePath.isEmpty()) {
        return std::nullopt;
    }
    QFile file(nativePath);
    if (!QFileInfo(nativePath).isFile() || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return find(file.readAll(), section, key);
}

ProfileFile::WriteStatus ProfileFile::write(const QString& nativePath, const QString& section,
                                            const QString& key, const QString& value) {
    return writeAll(nativePath, {Entry{section, key, value}});
}

ProfileFile::WriteStatus ProfileFile::writeAll(const QString& nativePath,
                                               const QList<Entry>& entries) {
    QByteArray content;
    const QFileInfo info(nativePath);
    if (info.exists()) {
        QFile file(nativePath);
        if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
            return WriteStatus::Failed;
        }
        content = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            return WriteStatus::Failed;
        }
    }
    for (const Entry& entry : entries) {
        const std::optional<QByteArray> updated =
            update(content, entry.section, entry.key, entry.value);
        if (!updated) {
            return WriteStatus::Refused;
        }
        content = *updated;
    }
    return AtomicFile::replace(nativePath, content) == AtomicFile::Result::Written
               ? WriteStatus::Written
               : WriteStatus::Failed;
}

ProfileIndex ProfileFile::index(const QByteArray& raw) {
    const Unwrapped u = unwrap(raw);
    ProfileIndex index;
    index.m_utf8 = u.codec.encoding != Encoding::Ansi;
    QSet<QString> seen; // sections met so far, the first of each counts
    QHash<QString, QString>* current = nullptr;
    for (const Line& line : splitLines(u.text)) {
        const Parsed p = parse(u.text, line, u.codec);
        if (p.kind == Kind::Header) {
            const QString name = p.name.toCaseFolded();
            current = nullptr;
            if (!seen.contains(name)) {
                seen.insert(name);
                current = &index.m_sections[name];
            }
        } else if (current && p.kind == Kind::Key && !p.name.isEmpty()) {
            const QString name = p.name.toCaseFolded();
            if (!current->contains(name)) {
                current->insert(name, p.value.left(MaxValueLength));
            }
        }
    }
    return index;
}

ProfileIndex ProfileFile::readIndex(const QString& nativePath) {
    QFile file(nativePath);
    if (nativePath.isEmpty() || !QFileInfo(nativePath).isFile() ||
        !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return index(file.readAll());
}

std::optional<QString> ProfileIndex::find(const QString& section, const QString& key) const {
    Codec codec;
    codec.encoding = m_utf8 ? Encoding::Utf8 : Encoding::Ansi;
    const QString s = trimmedName(section, codec);
    const QString k = trimmedName(key, codec);
    if (s.isEmpty() || k.isEmpty()) {
        return std::nullopt;
    }
    const auto found = m_sections.constFind(s.toCaseFolded());
    if (found == m_sections.constEnd()) {
        return std::nullopt;
    }
    const auto value = found->constFind(k.toCaseFolded());
    if (value == found->constEnd()) {
        return std::nullopt;
    }
    return *value;
}
