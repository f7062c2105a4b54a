#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class ErrorReporter;
class PathSpace;
class TraceSink;

// A disk share of this computer: its name and the local folder it points to.
struct ShareInfo {
    QString name;
    QString localPath;
};

// Folder tests and folder-chain creation, remembering for the whole run what was
// already found, created or missing, so that a slow or absent network folder is not
// probed again and again.
class FolderChecks {
public:
    // shares: this computer's disk shares, in list order.
    FolderChecks(const PathSpace& paths, TraceSink& trace, ErrorReporter& errors,
                 std::function<QList<ShareInfo>()> shares = {});

    bool FolderFound(QString& folder, bool fallback = false);
    void VerificationEtCreationRepertoire(const QString& folder, bool report);
    QString ChangeUNCFolder2LocalFolder(const QString& uncPath, const QString& computerName);

    // The remembered lists, as texts ("folder,," or "folder," entries).
    const QString& DossiersTrouves() const { return m_found; }
    const QString& DossiersNonTrouves() const { return m_notFound; }
    const QString& DossiersVerifies() const { return m_verified; }
    const QString& DossiersManquants() const { return m_missing; }
    const QString& DernierDossierVerifie() const { return m_lastVerified; }

private:
    // The key under which a folder is an entry of a list: entries match whole,
    // ignoring case and the final backslash.
    static QString entryKey(const QString& folder);
    void recordVerified(const QString& prefix);

    const PathSpace& m_paths;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
    std::function<QList<ShareInfo>()> m_shares;
    QString m_found;
    QString m_notFound;
    QString m_verified;
    QString m_missing;
    QString m_lastVerified;
    QSet<QString> m_foundKeys;
    QSet<QString> m_notFoundKeys;
    QSet<QString> m_verifiedKeys;
    QSet<QString> m_missingKeys;
};
