#include "platform/ProfileFile.h"

#include "base/TextFormat.h"
#include "platform/AtomicFile.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QList>

namespace {

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

QString decoded(QByteArrayView bytes) {
    return fromWindows1252(bytes.toByteArray());
}

// One pair of enclosing quotes, double or single, goes.
QByteArrayView unquoted(QByteArrayView value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.sliced(1, value.size() - 2);
    }
    return value;
}

Parsed parse(QByteArrayView text) {
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
        p.name = decoded(trimmed(text.sliced(i + 1, close - i - 1)));
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
    p.name = decoded(trimmed(text.first(equals)));
    p.value = decoded(unquoted(trimmed(text.sliced(equals + 1))));
    return p;
}

Parsed parse(const QByteArray& content, const Line& line) {
    return parse(QByteArrayView(content).sliced(line.start, line.end - line.start));
}

QString trimmedName(const QString& name) {
    qsizetype first = 0;
    qsizetype last = name.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (first < last && blank(name.at(first))) {
        ++first;
    }
    while (last > first && blank(name.at(last - 1))) {
        --last;
    }
    // The name as it reads back from the file, characters without a
    // Windows-1252 code having become "?".
    return fromWindows1252(toWindows1252(name.mid(first, last - first)));
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool breaksLine(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) ||
           text.contains(QChar(u'\0'));
}

} // namespace

QStringList ProfileFile::sections(const QString& nativePath) {
    QFile file(nativePath);
    QStringList names;
    if (!file.open(QIODevice::ReadOnly)) {
        return names;
    }
    const QByteArray content = file.readAll();
    for (const Line& line : splitLines(content)) {
        const Parsed p = parse(content, line);
        if (p.kind == Kind::Header && !p.name.isEmpty()) {
            names << p.name;
        }
    }
    return names;
}

std::optional<QString> ProfileFile::find(const QByteArray& content, const QString& section,
                                         const QString& key) {
    const QString s = trimmedName(section);
    const QString k = trimmedName(key);
    if (s.isEmpty() || k.isEmpty()) {
        return std::nullopt;
    }
    bool inSection = false;
    for (const Line& line : splitLines(content)) {
        const Parsed p = parse(content, line);
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

std::optional<QByteArray> ProfileFile::update(const QByteArray& content, const QString& section,
                                              const QString& key, const QString& value) {
    const QString s = trimmedName(section);
    const QString k = trimmedName(key);
    if (s.isEmpty() || k.isEmpty() || breaksLine(s) || breaksLine(k) || breaksLine(value) ||
        s.contains(QLatin1Char(']')) || k.contains(QLatin1Char('=')) ||
        k.startsWith(QLatin1Char('[')) || k.startsWith(QLatin1Char(';'))) {
        return std::nullopt; // it would not read back as this section and key
    }
    const QList<Line> lines = splitLines(content);
    const QByteArray eol = lineEndOf(content);
    const QByteArray keyLine = toWindows1252(k + QLatin1Char('=') + value);

    qsizetype header = -1;
    qsizetype lastContent = -1; // the header, or the section's last key or other line
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Parsed p = parse(content, lines.at(i));
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
    return out + '[' + toWindows1252(s) + ']' + eol + keyLine + eol;
}

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
    const std::optional<QByteArray> updated = update(content, section, key, value);
    if (!updated) {
        return WriteStatus::Refused;
    }
    return AtomicFile::replace(nativePath, *updated) == AtomicFile::Result::Written
               ? WriteStatus::Written
               : WriteStatus::Failed;
}
