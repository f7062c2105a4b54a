#include "system/ShellLauncher.h"

#include "base/ErrorTrap.h"
#include "base/TraceSink.h"
#include "platform/Desktop.h"
#include "platform/PathSpace.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace {

const QString Caller = QStringLiteral("Lib_Systeme:ExecuterProgrammeExterne");

// The classic shell codes of a failed launch.
constexpr qint32 OutOfMemory = 0;
constexpr qint32 FileNotFound = 2;
constexpr qint32 PathNotFound = 3;
constexpr qint32 BadFormat = 11;
constexpr qint32 NoAssociation = 31;

bool isWebAddress(const QString& target) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    return scheme.match(target).hasMatch() ||
           target.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive);
}

qint32 shellCode(Desktop::Launch result) {
    switch (result) {
    case Desktop::Launch::Started:
        return ShellLauncher::Launched;
    case Desktop::Launch::NoApplication:
        return NoAssociation;
    case Desktop::Launch::NotExecutable:
        return BadFormat;
    case Desktop::Launch::NoResources:
        return OutOfMemory;
    }
    return OutOfMemory;
}

} // namespace

ShellLauncher::ShellLauncher(const PathSpace& paths, Desktop& desktop, TraceSink& trace,
                             ErrorReporter& errors)
    : m_paths(paths), m_desktop(desktop), m_trace(trace), m_errors(errors) {}

AppError ShellLauncher::shellCodeError(qint32 shellCode) {
    // Number 0 stands for the codes without a run-time error of their own: they are
    // offset into the range of the numbers that components use for their own codes.
    struct Row {
        qint32 code;
        qint32 number;
        const char* description;
    };
    static constexpr const char* NotFound = "Chemin d'accès non trouvé";
    static constexpr const char* Sharing =
        "Violation de partage: Erreur d'accès au Dossier/Fichier";
    static constexpr const char* NoApplication =
        "Il n'y a aucune application associée à ce type de fichier";
    static constexpr Row Rows[] = {
        {0, 7, "Dépassement de mémoire"},
        {8, 7, "Dépassement de mémoire"},
        {2, 53, NotFound},
        {3, 76, NotFound},
        {5, 75, Sharing},
        {26, 75, Sharing},
        {11, 0, "Cet exécutable est invalide ou corrompu"},
        {27, 0, NoApplication},
        {31, 0, NoApplication},
        {28, 286,
         "Le fichier ne peut être ouvert car le délai d'attente est dépassé. Réessayez plus tard"},
        {29, 285,
         "Le fichier ne peut être ouvert car la transaction DDE a échoué. Réessayez plus tard"},
        {30, 285,
         "Le fichier ne peut être ouvert car l'application est occupée. Réessayez plus tard"},
        {32, 48, "Le fichier dll ne peut être trouvé"},
    };
    Row row{shellCode, 0, "Erreur à l'ouverture ou l'impression du fichier sélectionné"};
    for (const Row& r : Rows) {
        if (r.code == shellCode) {
            row = r;
            break;
        }
    }
    const qint32 number = row.number != 0
                              ? row.number
                              : static_cast<qint32>(static_cast<qint64>(shellCode) - 2147220456LL);
    return AppError{number, QString::fromUtf8(row.description),
                    AppError::projectSource() + QStringLiteral(".ExecuterProgrammeExterne")};
}

qint32 ShellLauncher::launch(const QString& verb, const QString& file, const QString& parameters,
                             const QString& folder) {
    if (!verb.isEmpty() && verb.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0) {
        return NoAssociation; // the only verb this desktop knows
    }
    if (isWebAddress(file)) {
        return shellCode(m_desktop.openWithDefaultApplication(file));
    }
    const QString native = m_paths.toNative(file);
    const QFileInfo target(native);
    if (native.isEmpty() || !target.exists()) {
        return FileNotFound;
    }
    QString workingFolder;
    if (!folder.trimmed().isEmpty()) {
        workingFolder = m_paths.toNative(folder);
        if (!QFileInfo(workingFolder).isDir()) {
            return PathNotFound;
        }
    }
    if (target.isFile() && target.isExecutable()) {
        return shellCode(m_desktop.startProgram(
            target.absoluteFilePath(), QProcess::splitCommand(parameters),
            workingFolder.isEmpty() ? target.absolutePath() : workingFolder));
    }
    return shellCode(m_desktop.openWithDefaultApplication(target.absoluteFilePath()));
}

qint32 ShellLauncher::ExecuterProgrammeExterne(const QObject* owner, const QString& verb,
                                               const QString& file, const QString& parameters,
                                               const QString& folder, qint32 showMode) {
    Q_UNUSED(owner);
    Q_UNUSED(showMode); // the desktop's own window rules apply
    ErrorTrap trap(m_errors, Caller);
    trap.at(10);
    const qint32 code = launch(verb, file, parameters, folder);
    if (code > 32) {
        return code;
    }
    trap.at(20);
    const AppError error = shellCodeError(code);
    if (error.number == 53) {
        m_trace.line(QStringLiteral("Err: 53: Chemin d'accès non trouvé: ") + file +
                     QStringLiteral(" |Source: ") + Caller + QLatin1Char(':') +
                     QString::number(trap.line()));
    } else {
        trap.fail(error);
    }
    return code;
}
