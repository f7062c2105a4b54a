#pragma once

#include <QByteArray>
#include <QString>

// Replaces a whole file at once: the new content goes to a new file in the same
// folder, is flushed and synced, and is then renamed over the old one, so that a
// reader (or a crash, a full disk) sees either the old file or the new one, never
// a part. The file keeps its permission bits. A file without the owner's write
// permission counts as read-only and is never replaced, whoever the process runs as.
namespace AtomicFile {

enum class Result { Written, ReadOnly, Failed };

Result replace(const QString& nativePath, const QByteArray& content);

} // namespace AtomicFile
