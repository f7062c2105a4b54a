#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QThread>
#include <QtGlobal>

// The port on which a child process listens, read from the system's tables (its
// socket descriptors, then the listening TCP sockets of /proc/net/tcp, or the bound
// UDP sockets of /proc/net/udp), so that a server started with port 0 can be reached
// without picking a number for it. 0 when the process has not listened within the
// time limit.
enum class ListeningTable { Tcp, Udp };

inline quint16 listeningPort(qint64 pid, ListeningTable which = ListeningTable::Tcp,
                             int timeoutMs = 10000) {
    const bool tcp = which == ListeningTable::Tcp;
    const QByteArray listening = tcp ? "0A" : "07"; // LISTEN, or an unconnected socket
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        QSet<QString> inodes;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
            const QString target = fd.symLinkTarget().section(QLatin1Char('/'), -1);
            if (target.startsWith(QLatin1String("socket:["))) {
                inodes.insert(target.mid(8).chopped(1));
            }
        }
        QFile table(tcp ? QStringLiteral("/proc/net/tcp") : QStringLiteral("/proc/net/udp"));
        if (!inodes.isEmpty() && table.open(QIODevice::ReadOnly)) {
            table.readLine(); // the header
            while (!table.atEnd()) {
                const QList<QByteArray> f = table.readLine().simplified().split(' ');
                // sl, local address:port, remote, state, ..., inode (the tenth field)
                if (f.size() > 9 && f[3] == listening &&
                    inodes.contains(QString::fromLatin1(f[9]))) {
                    return quint16(f[1].split(':').value(1).toUInt(nullptr, 16));
                }
            }
        }
        QThread::msleep(20);
    }
    return 0;
}
