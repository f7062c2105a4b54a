#include "system/FolderChecks.h"

#include "base/Blanks.h"
#include "base/ErrorTrap.h"
#include "base/TextFormat.h"
#include "base/TraceSink.h"
#include "platform/PathSpace.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace {

const QString FolderFoundName = QStringLiteral("Lib_Systeme:FolderFound");
const QString VerificationName = QStringLiteral("Lib_Systeme:VerificationEtCreationRepertoire");

QByteArray nativeBytes(const QString& native) {
    // A NUL character would silently cut the path short.
    if (native.isEmpty() || native.contains(QChar(0))) {
        return QByteArray();
    }
    return QFile::encodeName(native);
}

// Whether the native path is a folder; err receives the errno of a failed look-up
// (0 when the look-up worked, whatever it found).
bool isFolder(const QString& native, int* err) {
    const QByteArray bytes = nativeBytes(native);
    struct stat st {};
    if (bytes.isEmpty() || ::stat(bytes.constData(), &st) != 0) {
        *err = bytes.isEmpty() ? EINVAL : errno;
        return false;
    }
    *err = 0;
    return S_ISDIR(st.st_mode);
}

int makeFolder(const QString& native) {
    const QByteArray bytes = nativeBytes(native);
    if (bytes.isEmpty()) {
        return EINVAL;
    }
    return ::mkdir(bytes.constData(), 0777) == 0 ? 0 : errno;
}

// The run-time's file-system error number for a system error: 52 bad name,
// 75 access error, 76 path not found (also what an unreachable network folder
// gives), 61 disk full, 7 out of memory, 57 device error.
qint32 folderErrorNumber(int error) {
    switch (error) {
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
        return 52;
    case EACCES:
    case EPERM:
    case EROFS:
    case EEXIST:
        return 75;
    case ENOENT:
    case ENOTDIR:
    case ENODEV:
    case ENXIO:
    case ESTALE:
    case ETIMEDOUT:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ECONNREFUSED:
    case ECONNRESET:
        return 76;
    case ENOSPC:
    case EDQUOT:
        return 61;
    case ENOMEM:
        return 7;
    default:
        return 57;
    }
}

// The errors that mean "this folder is not there" and are logged as such.
bool isNotFoundError(qint32 number) {
    return number == 52 || (number >= 74 && number <= 76);
}

} // namespace

FolderChecks::FolderChecks(const PathSpace& paths, TraceSink& trace, ErrorReporter& errors,
                           std::function<QList<ShareInfo>()> shares)
    : m_paths(paths), m_trace(trace), m_errors(errors), m_shares(std::move(shares)) {}

QString FolderChecks::entryKey(const QString& folder) {
    QString key = trimBlanks(folder);
    while (key.endsWith(QLatin1Char('\\'))) {
        key.chop(1);
    }
    return key.toCaseFolded();
}

void FolderChecks::recordVerified(const QString& prefix) {
    if (!m_verifiedKeys.contains(entryKey(prefix))) {
        m_verifiedKeys.insert(entryKey(prefix));
        m_verified += prefix + QLatin1Char(',');
    }
}

bool FolderChecks::FolderFound(QString& folder, bool fallback) {
    // No caller asks for a fallback; there is none to offer.
    Q_UNUSED(fallback);
    ErrorTrap trap(m_errors, FolderFoundName);
    trap.at(10);
    if (isBlank(folder)) {
        return false;
    }
    // What was found or missed once keeps its verdict for the whole run: a slow or
    // absent network folder is probed once.
    const QString key = entryKey(folder);
    if (m_foundKeys.contains(key)) {
        return true;
    }
    if (m_notFoundKeys.contains(key)) {
        return false;
    }
    trap.at(20);
    int err = 0;
    bool found = isFolder(m_paths.toNative(folder), &err);
    bool failed = false;
    if (err != 0 && err != ENOENT && err != ENOTDIR) {
        const AppError error = AppError::runtime(folderErrorNumber(err));
        if (isNotFoundError(error.number)) {
            m_trace.line(QStringLiteral("Err: Folder not found: ") + folder +
                             QStringLiteral(" |Source: ") + FolderFoundName +
                             QStringLiteral(" |Err: ") + QString::number(error.number) +
                             QStringLiteral(" (") + error.description + QLatin1Char(')'),
                         true);
            failed = true;
        } else {
            trap.fail(error);
        }
    }
    if (!found && !failed) {
        trap.at(30);
        VerificationEtCreationRepertoire(folder, true);
        found = isFolder(m_paths.toNative(folder), &err);
    }
    trap.at(40);
    if (found) {
        m_foundKeys.insert(key);
        m_found += folder + QStringLiteral(",,");
    } else {
        m_notFoundKeys.insert(key);
        m_notFound += folder + QStringLiteral(",,");
    }
    return found;
}

void FolderChecks::VerificationEtCreationRepertoire(const QString& folder, bool report) {
    ErrorTrap trap(m_errors, VerificationName);
    trap.at(10);
    QString path = NettoieNomDeDossier(folder);
    if (isBlank(path)) {
        return;
    }
    path = CheckRep(path);
    if (m_verified.isEmpty()) {
        m_verified = QStringLiteral(",");
    }
    trap.at(20);
    if (m_verifiedKeys.contains(entryKey(path)) ||
        path.compare(m_lastVerified, Qt::CaseInsensitive) == 0) {
        return;
    }
    // "C:\" is never created, nor the server level of a UNC path ("\\server\");
    // the share and everything below it are tested and created like any folder.
    const qsizetype serverEnd =
        path.startsWith(QLatin1String("\\\\")) ? path.indexOf(QLatin1Char('\\'), 2) : -1;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (path.at(i) != QLatin1Char('\\') || i < 3 || i == serverEnd) {
            continue;
        }
        const QString prefix = path.left(i + 1);
        trap.at(30);
        const QString native = m_paths.toNative(prefix);
        int err = 0;
        if (isFolder(native, &err)) {
            recordVerified(prefix);
            continue;
        }
        trap.at(40);
        const int made = makeFolder(native);
        if (made != 0 && !(made == EEXIST && isFolder(native, &err))) {
            const AppError error = AppError::runtime(folderErrorNumber(made));
            if (isNotFoundError(error.number)) {
                m_trace.line(QStringLiteral("Err: ") + QString::number(error.number) +
                                 QStringLiteral(": Folder not found: ") + path +
                                 QStringLiteral(" |Source: ") + VerificationName,
                             true);
            } else {
                trap.fail(error);
            }
        }
        trap.at(50);
        if (isFolder(native, &err)) {
            recordVerified(prefix);
            continue;
        }
        trap.at(60);
        // Shares whose name ends in "$" cannot be made: they are never recorded
        // as missing.
        if (!prefix.contains(QLatin1Char('$')) && !m_missingKeys.contains(entryKey(prefix))) {
            if (report) {
                m_trace.line(QStringLiteral("Folder '") + prefix + QStringLiteral("' not found"));
            }
            m_missingKeys.insert(entryKey(prefix));
            m_missing += prefix + QLatin1Char(',');
        }
        // Nothing below a missing folder can be made; probing further would only
        // touch a slow or absent network again.
        break;
    }
    trap.at(70);
    m_lastVerified = path;
}

QString FolderChecks::ChangeUNCFolder2LocalFolder(const QString& uncPath,
                                                  const QString& computerName) {
    QString result = uncPath;
    const QList<ShareInfo> shares = m_shares ? m_shares() : QList<ShareInfo>();
    if (shares.isEmpty()) {
        return result;
    }
    m_trace.TraceLogEncadre(-1, -1,
                            QStringLiteral("Shared Paths List |UNC Path to Change: ") + uncPath,
                            QStringLiteral("="), false);
    const QString server = QStringLiteral("\\\\") + computerName + QLatin1Char('\\');
    for (qsizetype i = 0; i < shares.size(); ++i) {
        const ShareInfo& share = shares.at(i);
        // A share listed without its local folder cannot be translated.
        if (isBlank(share.name) || isBlank(share.localPath)) {
            continue;
        }
        const QString head = server + share.name;
        if (!uncPath.startsWith(head + QLatin1Char('\\'), Qt::CaseInsensitive)) {
            continue;
        }
        // Only the leading share part is replaced, and the join keeps a single
        // backslash whether or not the local folder ends with one ("D:\").
        QString local = share.localPath;
        while (local.endsWith(QLatin1Char('\\'))) {
            local.chop(1);
        }
        local += uncPath.mid(head.size());
        const QString index = N2S(static_cast<double>(i), 2, 0, QStringLiteral("0"));
        m_trace.line(index + QStringLiteral(": UNC: Local Path found: ") + local);
        if (FolderFound(local)) {
            m_trace.line(index + QStringLiteral(": UNC: Path change from: ") + uncPath +
                         QStringLiteral(" to: ") + local);
            result = local;
        }
        break;
    }
    return result;
}
