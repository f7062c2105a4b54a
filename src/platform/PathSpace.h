#pragma once

#include <QList>
#include <QString>

// The Windows path space. Paths stay in their Windows form (C:\AudioLog\,
// \\SERVER\Share\...) in memory, in settings and in trace lines, and are translated
// here, at the file system, to native paths under one root folder:
//   X:\rest                 -> ROOT/x/rest   (drive letter in lower case)
//   \\server\share\rest     -> ROOT/unc/server/share/rest
//   \rest                   -> ROOT/c/rest   (the current drive is C:)
//   rest (relative)         -> under the program folder, C:\Mirevox\Ondelia
// Names are matched without regard to case against what already exists, as Windows
// does; ".." never climbs above a drive or share. A station maps places elsewhere
// with symbolic links, or with mounts of a Windows folder onto a native folder.
class PathSpace {
public:
    explicit PathSpace(QString rootDir);

    // --root DIR, else $TRELVO_ROOT, else $XDG_DATA_HOME/trelvo (~/.local/share/trelvo).
    static QString resolveRoot(const QString& commandLineRoot);

    const QString& root() const { return m_root; }

    // Maps a Windows folder (and everything below it) onto a native folder.
    void addMount(const QString& windowsFolder, const QString& nativeFolder);

    // The native path of a Windows path; "" for the empty text.
    QString toNative(const QString& windowsPath) const;
    // The Windows path of a native path under the root (what a file dialog returns):
    // ROOT/x/rest -> X:\rest, ROOT/unc/server/share/rest -> \\server\share\rest;
    // "" for a path outside the root, which no Windows path names.
    QString toWindows(const QString& nativePath) const;

    static QString programFolder() { return QStringLiteral("C:\\Mirevox\\Ondelia\\"); }
    static QString windowsFolder() { return QStringLiteral("C:\\Windows"); }
    static QString systemFolder() { return QStringLiteral("C:\\Windows\\system32"); }

    // The user's profile folder, C:\Users\<login name>.
    static QString userProfileFolder();
    // The user's start-up folder, mapped by default onto the XDG autostart folder.
    static QString startupFolder();
    static QString defaultAutostartFolder();

private:
    struct Mount {
        QStringList windowsParts; // lower case, for matching
        QString nativeFolder;
    };
    // Splits a Windows path into its anchor (drive or share) and its components.
    static bool split(const QString& windowsPath, QString* anchor, QStringList* parts);
    QString resolveBelow(QString native, const QStringList& parts) const;

    QString m_root;
    QList<Mount> m_mounts;
};
