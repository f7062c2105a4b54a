#include "platform/PathSpace.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

namespace {

QStringList components(const QString& rest) {
    QStringList parts;
    for (const QString& p : rest.split(QLatin1Char('\\'), Qt::SkipEmptyParts)) {
        if (p == QLatin1String(".")) {
            continue;
        }
        if (p == QLatin1String("..")) {
            if (!parts.isEmpty()) {
                parts.removeLast();
            }
            continue;
        }
        parts << p;
    }
    return parts;
}

} // namespace

PathSpace::PathSpace(QString rootDir) : m_root(QDir::cleanPath(std::move(rootDir))) {
    addMount(startupFolder(), defaultAutostartFolder());
}

QString PathSpace::resolveRoot(const QString& commandLineRoot) {
    if (!commandLineRoot.trimmed().isEmpty()) {
        return QDir::cleanPath(QDir::current().absoluteFilePath(commandLineRoot));
    }
    const QString env = qEnvironmentVariable("TRELVO_ROOT");
    if (!env.trimmed().isEmpty()) {
        return QDir::cleanPath(QDir::current().absoluteFilePath(env));
    }
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.trimmed().isEmpty()) {
        data = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(data + QStringLiteral("/trelvo"));
}

QString PathSpace::userProfileFolder() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) {
        user = QStringLiteral("Default");
    }
    return QStringLiteral("C:\\Users\\") + user;
}

QString PathSpace::startupFolder() {
    return userProfileFolder() +
           QStringLiteral("\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup");
}

QString PathSpace::defaultAutostartFolder() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.trimmed().isEmpty()) {
        config = QDir::homePath() + QStringLiteral("/.config");
    }
    return QDir::cleanPath(config + QStringLiteral("/autostart"));
}

void PathSpace::addMount(const QString& windowsFolder, const QString& nativeFolder) {
    QString anchor;
    QStringList parts;
    if (!split(windowsFolder, &anchor, &parts)) {
        return;
    }
    Mount m;
    m.windowsParts << anchor.toLower();
    for (const QString& p : parts) {
        m.windowsParts << p.toLower();
    }
    m.nativeFolder = QDir::cleanPath(nativeFolder);
    m_mounts.removeIf([&](const Mount& old) { return old.windowsParts == m.windowsParts; });
    // Longest mounts first, so that the most specific one wins.
    auto at = m_mounts.begin();
    while (at != m_mounts.end() && at->windowsParts.size() >= m.windowsParts.size()) {
        ++at;
    }
    m_mounts.insert(at, m);
}

bool PathSpace::split(const QString& windowsPath, QString* anchor, QStringList* parts) {
    QString path = windowsPath.trimmed();
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (path.isEmpty()) {
        return false;
    }
    if (path.startsWith(QLatin1String("\\\\"))) {
        *anchor = QStringLiteral("unc");
        *parts = components(path.mid(2));
        return true;
    }
    if (path.size() >= 2 && path.at(1) == QLatin1Char(':') && path.at(0).isLetter() &&
        path.at(0).unicode() < 128) {
        *anchor = path.left(1).toLower();
        *parts = components(path.mid(2));
        return true;
    }
    if (path.startsWith(QLatin1Char('\\'))) {
        *anchor = QStringLiteral("c");
        *parts = components(path);
        return true;
    }
    *anchor = QStringLiteral("c");
    *parts = components(QStringLiteral("Mirevox\\Ondelia\\") + path);
    return true;
}

QString PathSpace::resolveBelow(QString native, const QStringList& parts) const {
    bool existing = QFileInfo::exists(native);
    for (const QString& part : parts) {
        QString next = native + QLatin1Char('/') + part;
        if (existing && !QFileInfo::exists(next)) {
            // Windows names match without regard to case: reuse an existing entry.
            existing = false;
            const QStringList entries = QDir(native).entryList(QDir::AllEntries | QDir::Hidden |
                                                               QDir::System | QDir::NoDotAndDotDot);
            for (const QString& e : entries) {
                if (e.compare(part, Qt::CaseInsensitive) == 0) {
                    next = native + QLatin1Char('/') + e;
                    existing = true;
                    break;
                }
            }
        }
        native = next;
    }
    return native;
}

QString PathSpace::toNative(const QString& windowsPath) const {
    QString anchor;
    QStringList parts;
    if (!split(windowsPath, &anchor, &parts)) {
        return QString();
    }
    QStringList lowered;
    lowered << anchor;
    for (const QString& p : parts) {
        lowered << p.toLower();
    }
    for (const Mount& m : m_mounts) {
        if (lowered.size() >= m.windowsParts.size() &&
            lowered.mid(0, m.windowsParts.size()) == m.windowsParts) {
            return resolveBelow(m.nativeFolder, parts.mid(m.windowsParts.size() - 1));
        }
    }
    return resolveBelow(m_root + QLatin1Char('/') + anchor, parts);
}

QString PathSpace::toWindows(const QString& nativePath) const {
    const QString root = QDir::cleanPath(m_root);
    const QString path = QDir::cleanPath(QFileInfo(nativePath).absoluteFilePath());
    if (!path.startsWith(root + QLatin1Char('/'))) {
        return QString();
    }
    const QStringList parts = path.mid(root.size() + 1).split(QLatin1Char('/'));
    const QString& anchor = parts.first();
    if (anchor == QLatin1String("unc")) {
        if (parts.size() < 3) {
            return QString(); // a server without a share
        }
        return QStringLiteral("\\\\") + parts.mid(1).join(QLatin1Char('\\'));
    }
    if (anchor.size() != 1 || !anchor.at(0).isLetter()) {
        return QString();
    }
    QString windows = anchor.toUpper() + QStringLiteral(":\\");
    windows += parts.mid(1).join(QLatin1Char('\\'));
    return windows;
}
