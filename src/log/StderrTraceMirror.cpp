#include "log/StderrTraceMirror.h"

#include "platform/OffThreadLineWriter.h"

#include <sys/stat.h>

void StderrTraceMirror::traceLine(const QString& prefix, const QString& message, bool incident) {
    QByteArray line;
    if (m_format == Format::Journal) {
        line = incident ? QByteArrayLiteral("<3>") : QByteArrayLiteral("<6>");
    }
    line += (prefix + message).toUtf8();
    m_writer.write(line);
}

bool StderrTraceMirror::stderrIsJournal() {
    // "device:inode" of the journal's stream; a standard error that has been
    // redirected since (a shell started from a service) is not the journal.
    const QByteArray stream = qgetenv("JOURNAL_STREAM");
    const qsizetype colon = stream.indexOf(':');
    if (colon <= 0) {
        return false;
    }
    bool deviceOk = false;
    bool inodeOk = false;
    const qulonglong device = stream.left(colon).toULongLong(&deviceOk);
    const qulonglong inode = stream.mid(colon + 1).toULongLong(&inodeOk);
    struct stat info {};
    return deviceOk && inodeOk && ::fstat(2, &info) == 0 && qulonglong(info.st_dev) == device &&
           qulonglong(info.st_ino) == inode;
}
