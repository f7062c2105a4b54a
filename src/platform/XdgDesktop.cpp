#include "platform/XdgDesktop.h"

#include <QProcess>
#include <QStandardPaths>

Desktop::Launch XdgDesktop::openWithDefaultApplication(const QString& target) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        return Launch::NoApplication;
    }
    return QProcess::startDetached(opener, {target}) ? Launch::Started : Launch::NoResources;
}

Desktop::Launch XdgDesktop::startProgram(const QString& program, const QStringList& arguments,
                                         const QString& workingFolder) {
    return QProcess::startDetached(program, arguments, workingFolder) ? Launch::Started
                                                                      : Launch::NotExecutable;
}
