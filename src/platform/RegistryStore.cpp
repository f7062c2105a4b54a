#include "platform/RegistryStore.h"

#include "base/TextFormat.h"
#include "platform/AtomicFile.h"
#include "platform/PathSpace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>
#include <QtEndian>

#include <optional>
#include <utility>

namespace {

const QString Header = QStringLiteral("Windows Registry Editor Version 5.00");
const QString Crlf = QStringLiteral("\r\n");
constexpr qsizetype WrapColumn = 77; // hex lists wrap before 80 columns

struct RootKey {
    quint32 handle;
    const char* name;
    const char* shortName;
};

constexpr RootKey RootKeys[] = {
    {RegistryStore::HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},
    {RegistryStore::HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {RegistryStore::HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},
    {RegistryStore::HKEY_USERS, "HKEY_USERS", "HKU"},
    {RegistryStore::HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA", nullptr},
    {RegistryStore::HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC"},
    {RegistryStore::HKEY_DYN_DATA, "HKEY_DYN_DATA", nullptr},
};

// A value, or a line kept as it was (comment, or a line that cannot be read).
struct Entry {
    bool isValue = false;
    QString name; // "" for the default value
    RegistryValue value;
    QString raw;
    // A header that cannot be read, or a line after it: a value written among them
    // would no longer belong to the key when the file is read again.
    bool afterBadHeader = false;
};

struct Key {
    QString path; // root name and components, joined by "\"
    QList<Entry> entries;
};

struct Document {
    QStringList preamble; // lines kept before the first key
    QList<Key> keys;
};

bool samePath(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// "HKLM\\Software\x" -> "HKEY_LOCAL_MACHINE\Software\x"; "" for an unknown root.
QString canonicalPath(const QString& path) {
    QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.isEmpty()) {
        return QString();
    }
    for (const RootKey& r : RootKeys) {
        if (parts.front().compare(QLatin1String(r.name), Qt::CaseInsensitive) == 0 ||
            (r.shortName &&
             parts.front().compare(QLatin1String(r.shortName), Qt::CaseInsensitive) == 0)) {
            parts.front() = QLatin1String(r.name);
            return parts.join(QLatin1Char('\\'));
        }
    }
    return QString();
}

QString keyPath(quint32 root, const QString& subkey) {
    QString path = RegistryStore::rootName(root);
    for (const QString& part : subkey.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('\\') + part;
    }
    return path;
}

bool breaksLine(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')) ||
           text.contains(QChar(u'\0'));
}

// Key* or const Key*, as the document.
template <typename Doc> auto findKey(Doc& doc, const QString& path) -> decltype(&doc.keys[0]) {
    for (auto& k : doc.keys) {
        if (samePath(k.path, path)) {
            return &k;
        }
    }
    return nullptr;
}

// A key below path, which makes path present too, as a registry import would.
const Key* findDescendant(const Document& doc, const QString& path) {
    for (const Key& k : doc.keys) {
        if (k.path.startsWith(path + QLatin1Char('\\'), Qt::CaseInsensitive)) {
            return &k;
        }
    }
    return nullptr;
}

// Adds the missing keys of the path, each after the last key of its parent's
// branch; existing keys keep their spelling. A key counts as present when it or a
// key below it has a section, except that the last key gets a section of its own
// when ownSection is set (it is about to hold a value). Returns whether anything was
// added.
bool addKey(Document& doc, const QString& path, bool ownSection) {
    const QStringList parts = path.split(QLatin1Char('\\'));
    QString parent = parts.front();
    bool added = false;
    // The root's own section only when values are stored on the root itself.
    for (qsizetype n = qMin<qsizetype>(2, parts.size()); n <= parts.size(); ++n) {
        QString wanted = n == 1 ? parent : parent + QLatin1Char('\\') + parts.at(n - 1);
        if (const Key* existing = findKey(doc, wanted)) {
            parent = existing->path;
            continue;
        }
        const Key* below = findDescendant(doc, wanted);
        if (below && !(ownSection && n == parts.size())) {
            parent = below->path.left(wanted.size());
            continue;
        }
        qsizetype at = doc.keys.size();
        if (below) {
            wanted = below->path.left(wanted.size());
            at = below - doc.keys.constData(); // a parent goes before its branch
        } else {
            for (qsizetype i = 0; i < doc.keys.size(); ++i) {
                const QString& p = doc.keys.at(i).path;
                if (n > 1 && (samePath(p, parent) ||
                              p.startsWith(parent + QLatin1Char('\\'), Qt::CaseInsensitive))) {
                    at = i + 1;
                }
            }
        }
        doc.keys.insert(at, Key{wanted, {}});
        parent = wanted;
        added = true;
    }
    return added;
}

// ---- reading ----

QString decodeFile(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder utf16(QStringConverter::Utf16LE);
        return utf16.decode(bytes.sliced(2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringConverter::Utf16BE);
        return utf16.decode(bytes.sliced(2));
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder utf8(QStringConverter::Utf8);
        return utf8.decode(bytes.sliced(3));
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? fromWindows1252(bytes) : text;
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines << text.mid(start, i - start);
            if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('\n')) {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines << text.mid(start);
    }
    return lines;
}

// A quoted text at text[at] == '"', with the escapes \\ and \"; at moves past the
// closing quote.
std::optional<QString> readQuoted(const QString& text, qsizetype& at) {
    QString out;
    for (qsizetype i = at + 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"')) {
            at = i + 1;
            return out;
        }
        if (c == QLatin1Char('\\') && i + 1 < text.size() &&
            (text.at(i + 1) == QLatin1Char('\\') || text.at(i + 1) == QLatin1Char('"'))) {
            ++i;
        }
        out += text.at(i);
    }
    return std::nullopt;
}

std::optional<QByteArray> readHexList(const QString& list) {
    QByteArray bytes;
    if (list.trimmed().isEmpty()) {
        return bytes;
    }
    for (const QString& token : list.split(QLatin1Char(','))) {
        const QString t = token.trimmed();
        bool ok = false;
        const uint b = t.toUInt(&ok, 16);
        if (!ok || t.size() > 2 || t.startsWith(QLatin1Char('+'))) {
            return std::nullopt;
        }
        bytes += static_cast<char>(b);
    }
    return bytes;
}

std::optional<RegistryValue> readData(const QString& data) {
    if (data.startsWith(QLatin1Char('"'))) {
        qsizetype at = 0;
        const std::optional<QString> text = readQuoted(data, at);
        if (!text || !data.sliced(at).trimmed().isEmpty()) {
            return std::nullopt;
        }
        return RegistryValue::fromText(RegistryStore::REG_SZ, *text);
    }
    const QString lower = data.toLower();
    if (lower.startsWith(QLatin1String("dword:"))) {
        const QString digits = data.sliced(6).trimmed();
        bool ok = false;
        const uint number = digits.toUInt(&ok, 16);
        if (!ok || digits.size() > 8 || digits.startsWith(QLatin1Char('+'))) {
            return std::nullopt;
        }
        return RegistryValue::fromDword(number);
    }
    RegistryValue value;
    qsizetype listStart = 0;
    if (lower.startsWith(QLatin1String("hex:"))) {
        value.type = RegistryStore::REG_BINARY;
        listStart = 4;
    } else if (lower.startsWith(QLatin1String("hex("))) {
        const qsizetype close = lower.indexOf(QLatin1String("):"));
        bool ok = false;
        const QString digits = data.sliced(4, qMax<qsizetype>(close - 4, 0));
        value.type = digits.toUInt(&ok, 16);
        if (close < 0 || !ok || digits.startsWith(QLatin1Char('+'))) {
            return std::nullopt;
        }
        listStart = close + 2;
    } else {
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = readHexList(data.sliced(listStart));
    if (!bytes) {
        return std::nullopt;
    }
    value.data = *bytes;
    return value;
}

// The value line at lines[i], continued on the next lines when a hex list ends
// with "\"; i moves to its last line.
std::optional<Entry> readValue(const QStringList& lines, qsizetype& i) {
    const QString line = lines.at(i).trimmed();
    Entry entry;
    entry.isValue = true;
    qsizetype at = 0;
    if (line.startsWith(QLatin1Char('@'))) {
        at = 1;
    } else if (line.startsWith(QLatin1Char('"'))) {
        const std::optional<QString> name = readQuoted(line, at);
        if (!name || name->isEmpty()) {
            return std::nullopt;
        }
        entry.name = *name;
    } else {
        return std::nullopt;
    }
    QString rest = line.sliced(at).trimmed();
    if (!rest.startsWith(QLatin1Char('='))) {
        return std::nullopt;
    }
    QString data = rest.sliced(1).trimmed();
    if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        while (data.endsWith(QLatin1Char('\\')) && i + 1 < lines.size()) {
            data.chop(1);
            data += lines.at(++i).trimmed();
        }
    }
    const std::optional<RegistryValue> value = readData(data);
    if (!value) {
        return std::nullopt;
    }
    entry.value = *value;
    return entry;
}

void setEntry(Key& key, const Entry& entry) {
    for (Entry& e : key.entries) {
        if (e.isValue && samePath(e.name, entry.name)) {
            e.value = entry.value; // a later line for the same name wins, as on import
            return;
        }
    }
    qsizetype at = 0;
    while (at < key.entries.size() && !key.entries.at(at).afterBadHeader) {
        ++at;
    }
    key.entries.insert(at, entry);
}

Document parseDocument(const QString& text) {
    Document doc;
    const QStringList lines = splitLines(text);
    Key* current = nullptr;
    bool lost = false; // after a header that cannot be read
    bool first = true;
    const auto keep = [&](const QString& raw) {
        if (current) {
            current->entries << Entry{false, QString(), RegistryValue(), raw, lost};
        } else {
            doc.preamble << raw;
        }
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString t = lines.at(i).trimmed();
        if (t.isEmpty()) {
            continue;
        }
        if (std::exchange(first, false) &&
            (t == Header || t.compare(QLatin1String("REGEDIT4"), Qt::CaseInsensitive) == 0)) {
            continue;
        }
        if (t.startsWith(QLatin1Char('['))) {
            const qsizetype close = t.lastIndexOf(QLatin1Char(']'));
            const QString path = close > 0 ? canonicalPath(t.sliced(1, close - 1)) : QString();
            lost = path.isEmpty() || !t.sliced(close + 1).trimmed().isEmpty();
            if (lost) {
                keep(lines.at(i));
                continue;
            }
            current = findKey(doc, path);
            if (!current) {
                doc.keys << Key{path, {}};
                current = &doc.keys.last();
            }
            continue;
        }
        const qsizetype start = i;
        const std::optional<Entry> entry =
            lost || !current || t.startsWith(QLatin1Char(';')) ? std::nullopt : readValue(lines, i);
        if (entry) {
            setEntry(*current, *entry);
        } else {
            keep(lines.mid(start, i - start + 1).join(Crlf));
        }
    }
    return doc;
}

// ---- writing ----

QString quoted(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

// A REG_SZ value that reads back the same from the "text" form.
bool plainText(const RegistryValue& v) {
    if (v.type != RegistryStore::REG_SZ || v.data.size() < 2 || v.data.size() % 2 != 0 ||
        !v.data.endsWith(QByteArrayView("\0\0", 2))) {
        return false;
    }
    QStringDecoder utf16(QStringConverter::Utf16LE);
    const QString text = utf16.decode(v.data.first(v.data.size() - 2));
    return !utf16.hasError() && !breaksLine(text);
}

QString valueLine(const Entry& e) {
    const QString head =
        (e.name.isEmpty() ? QStringLiteral("@") : quoted(e.name)) + QLatin1Char('=');
    const RegistryValue& v = e.value;
    if (plainText(v)) {
        return head + quoted(v.text());
    }
    if (v.type == RegistryStore::REG_DWORD && v.data.size() == 4) {
        return head +
               QStringLiteral("dword:%1")
                   .arg(qFromLittleEndian<quint32>(v.data.constData()), 8, 16, QLatin1Char('0'));
    }
    QString line = head + (v.type == RegistryStore::REG_BINARY
                               ? QStringLiteral("hex:")
                               : QStringLiteral("hex(%1):").arg(v.type, 0, 16));
    QString out;
    for (qsizetype i = 0; i < v.data.size(); ++i) {
        QString byte = QString::fromLatin1(v.data.sliced(i, 1).toHex());
        if (i + 1 < v.data.size()) {
            byte += QLatin1Char(',');
        }
        if (line.size() + byte.size() > WrapColumn && i > 0) {
            out += line + QLatin1Char('\\') + Crlf;
            line = QStringLiteral("  ");
        }
        line += byte;
    }
    return out + line;
}

QByteArray serialize(const Document& doc) {
    QString out = Header + Crlf + Crlf;
    for (const QString& raw : doc.preamble) {
        out += raw + Crlf;
    }
    if (!doc.preamble.isEmpty()) {
        out += Crlf;
    }
    for (const Key& key : doc.keys) {
        out += QLatin1Char('[') + key.path + QLatin1Char(']') + Crlf;
        for (const Entry& e : key.entries) {
            out += (e.isValue ? valueLine(e) : e.raw) + Crlf;
        }
        out += Crlf;
    }
    return out.toUtf8();
}

} // namespace

// ---- RegistryValue ----

RegistryValue RegistryValue::fromText(quint32 type, const QString& text) {
    RegistryValue v;
    v.type = type;
    const QString terminated = text + QChar(u'\0');
    v.data.reserve(terminated.size() * 2);
    for (const QChar c : terminated) {
        v.data += static_cast<char>(c.unicode() & 0xFF);
        v.data += static_cast<char>(c.unicode() >> 8);
    }
    return v;
}

RegistryValue RegistryValue::fromDword(quint32 number) {
    RegistryValue v;
    v.type = RegistryStore::REG_DWORD;
    for (int i = 0; i < 4; ++i) {
        v.data += static_cast<char>((number >> (8 * i)) & 0xFF);
    }
    return v;
}

QString RegistryValue::text() const {
    QString out;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(static_cast<uchar>(data.at(i)) |
                                                    (static_cast<uchar>(data.at(i + 1)) << 8));
        if (unit == 0) {
            break;
        }
        out += QChar(unit);
    }
    return out;
}

qsizetype RegistryValue::ansiSize() const {
    if (type == RegistryStore::REG_SZ || type == RegistryStore::REG_EXPAND_SZ ||
        type == RegistryStore::REG_MULTI_SZ) {
        return (data.size() + 1) / 2;
    }
    return data.size();
}

// ---- RegistryStore ----

namespace {

enum class Load { Ok, Failed };

Load load(const QString& path, Document& doc) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return Load::Ok; // an empty registry
    }
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        return Load::Failed;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return Load::Failed;
    }
    doc = parseDocument(decodeFile(bytes));
    return Load::Ok;
}

qint32 save(const QString& path, const Document& doc) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return RegistryStore::ErrorRegistryIo;
    }
    switch (AtomicFile::replace(path, serialize(doc))) {
    case AtomicFile::Result::Written:
        return 0;
    case AtomicFile::Result::ReadOnly:
        return RegistryStore::ErrorAccessDenied;
    case AtomicFile::Result::Failed:
        break;
    }
    return RegistryStore::ErrorRegistryIo;
}

} // namespace

RegistryStore::RegistryStore(QString filePath) : m_path(std::move(filePath)) {}

QString RegistryStore::filePath(const PathSpace& paths) {
    return paths.root() + QStringLiteral("/registry.reg");
}

QString RegistryStore::rootName(quint32 root) {
    for (const RootKey& r : RootKeys) {
        if (r.handle == root) {
            return QLatin1String(r.name);
        }
    }
    return QString();
}

qint32 RegistryStore::createKey(quint32 root, const QString& subkey) {
    if (rootName(root).isEmpty()) {
        return ErrorInvalidHandle;
    }
    if (breaksLine(subkey)) {
        return ErrorBadPathname;
    }
    if (subkey.split(QLatin1Char('\\'), Qt::SkipEmptyParts).isEmpty()) {
        return 0; // the root key itself
    }
    Document doc;
    if (load(m_path, doc) == Load::Failed) {
        return ErrorRegistryIo;
    }
    return addKey(doc, keyPath(root, subkey), false) ? save(m_path, doc) : 0;
}

qint32 RegistryStore::query(quint32 root, const QString& subkey, const QString& name,
                            RegistryValue& value) const {
    if (rootName(root).isEmpty()) {
        return ErrorInvalidHandle;
    }
    if (breaksLine(subkey)) {
        return ErrorBadPathname;
    }
    Document doc;
    if (load(m_path, doc) == Load::Failed) {
        return ErrorRegistryIo;
    }
    const Key* key = findKey(doc, keyPath(root, subkey));
    if (key) {
        for (const Entry& e : key->entries) {
            if (e.isValue && samePath(e.name, name)) {
                value = e.value;
                return 0;
            }
        }
    }
    return ErrorFileNotFound;
}

qint32 RegistryStore::setValue(quint32 root, const QString& subkey, const QString& name,
                               const RegistryValue& value) {
    if (rootName(root).isEmpty()) {
        return ErrorInvalidHandle;
    }
    if (breaksLine(subkey)) {
        return ErrorBadPathname;
    }
    if (breaksLine(name)) {
        return ErrorInvalidParameter;
    }
    Document doc;
    if (load(m_path, doc) == Load::Failed) {
        return ErrorRegistryIo;
    }
    const QString path = keyPath(root, subkey);
    if (const Key* key = findKey(doc, path)) {
        for (const Entry& e : key->entries) {
            if (e.isValue && samePath(e.name, name)) {
                if (e.value.type == value.type && e.value.data == value.data) {
                    return 0; // already stored: the file stays as it is
                }
                break;
            }
        }
    }
    addKey(doc, path, true);
    setEntry(*findKey(doc, path), Entry{true, name, value, QString(), false});
    return save(m_path, doc);
}

QList<QPair<QString, RegistryValue>> RegistryStore::values(quint32 root,
                                                           const QString& subkey) const {
    QList<QPair<QString, RegistryValue>> out;
    Document doc;
    if (rootName(root).isEmpty() || load(m_path, doc) == Load::Failed) {
        return out;
    }
    if (const Key* key = findKey(doc, keyPath(root, subkey))) {
        for (const Entry& e : key->entries) {
            if (e.isValue) {
                out << qMakePair(e.name, e.value);
            }
        }
    }
    return out;
}
