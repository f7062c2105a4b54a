#include "platform/AtomicFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <optional>
#include <unistd.h>

AtomicFile::Result AtomicFile::replace(const QString& nativePath, const QByteArray& content) {
    if (nativePath.isEmpty()) {
        return Result::Failed;
    }
    const QFileInfo info(nativePath);
    std::optional<QFileDevice::Permissions> permissions;
    if (info.exists()) {
        if (!info.isFile()) {
            return Result::Failed;
        }
        if (!info.permissions().testFlag(QFileDevice::WriteOwner)) {
            return Result::ReadOnly;
        }
        // The "user" flags describe this process's access, not the file's mode.
        permissions = info.permissions() &
                      ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    }
    QSaveFile file(nativePath);
    if (!file.open(QIODevice::WriteOnly)) {
        return Result::Failed;
    }
    // A short write found only while flushing inside commit() would go unnoticed and
    // the cut file would replace the old one: flush and sync here, and check.
    if (file.write(content) != content.size() || !file.flush() ||
        (file.handle() >= 0 && ::fsync(file.handle()) != 0) ||
        (permissions && !file.setPermissions(*permissions))) {
        file.cancelWriting();
    }
    return file.commit() ? Result::Written : Result::Failed;
}
