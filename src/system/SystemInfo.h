#pragma once

#include <QString>
#include <QtGlobal>

class HostInfo;
class UptimeCounter;
struct ShellValues;

// What the program tells about the machine it runs on: names and addresses, its own
// memory, the system's description and the system's folders in their Windows form.
class SystemInfo {
public:
    SystemInfo(ShellValues& state, UptimeCounter& uptime, const HostInfo& host);

    // The first IPv4 address of this computer that is not a loopback one: from the
    // host name's lookup, else from the network interfaces; "" when there is none.
    QString GetHostName() const;
    // The computer's short name (the host name before its first point).
    QString ComputerName() const;
    // The program's resident memory in megabytes, halves rounded to even; 0 when
    // it cannot be read.
    qint32 GetMemoryUsage() const;
    // One line describing the system: its name, the bitness (", 64-bit" also makes
    // the uptime counter use its 64-bit source), and " (build " + kernel release
    // + ")". Sets PbLVersionWindows to 10 (a current system); "" and no change when
    // the system cannot be read.
    QString GetOSDisplayString();

    static QString GetWinDir();
    static QString GetWinSysDir();
    // The Windows path of a shell folder id (7 start-up, 36 Windows, 37 system, 0
    // desktop, 5 documents, 26 roaming and 28 local application data, 35 common
    // application data); "" for any other id.
    static QString GetSpecialFolderLocation(qint32 folderId);

    // Whether a processor architecture name is a 64-bit or a 32-bit x86 one.
    static bool is64BitArchitecture(const QString& architecture);
    static bool is32BitX86Architecture(const QString& architecture);

private:
    ShellValues& m_state;
    UptimeCounter& m_uptime;
    const HostInfo& m_host;
};
