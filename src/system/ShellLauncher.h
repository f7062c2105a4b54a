#pragma once

#include "base/AppError.h"

#include <QString>
#include <QtGlobal>

class Desktop;
class ErrorReporter;
class PathSpace;
class QObject;
class TraceSink;

// Opens documents and web addresses, and starts programs, through the desktop's
// launcher, answering with the classic shell codes: above 32 for success, else the
// reason of the failure.
class ShellLauncher {
public:
    // The code returned for a target handed over to the desktop.
    static constexpr qint32 Launched = 42;

    ShellLauncher(const PathSpace& paths, Desktop& desktop, TraceSink& trace,
                  ErrorReporter& errors);

    // Verb "Open" (any letter case) or "" opens the file: a program is started with
    // the parameters in the folder, any other file or a web address ("scheme://...")
    // goes to its default application. Windows paths are translated by the path
    // space. The owner window and the show mode have no effect here. A failure is
    // traced or reported under "Lib_Systeme:ExecuterProgrammeExterne" and its code
    // returned all the same.
    qint32 ExecuterProgrammeExterne(const QObject* owner, const QString& verb, const QString& file,
                                    const QString& parameters, const QString& folder,
                                    qint32 showMode);

    // The run-time error that stands for a failed shell code (2 -> 53 "Chemin d'accès
    // non trouvé", ...), raised by the program's executable.
    static AppError shellCodeError(qint32 shellCode);

private:
    qint32 launch(const QString& verb, const QString& file, const QString& parameters,
                  const QString& folder);

    const PathSpace& m_paths;
    Desktop& m_desktop;
    TraceSink& m_trace;
    ErrorReporter& m_errors;
};
