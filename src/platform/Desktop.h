#pragma once

#include <QString>
#include <QStringList>

// The desktop's launcher: opens documents and web addresses with the user's default
// application and starts programs, detached from this program.
class Desktop {
public:
    enum class Launch {
        Started,       // handed over; what the started application does is its own
        NoApplication, // no launcher or no application for this kind of target
        NotExecutable, // the program could not be run
        NoResources,   // the system refused to start a process
    };

    virtual ~Desktop() = default;

    // A native document path or a web address.
    virtual Launch openWithDefaultApplication(const QString& target) = 0;
    // A native program with its arguments, in a native working folder ("" for any).
    virtual Launch startProgram(const QString& program, const QStringList& arguments,
                                const QString& workingFolder) = 0;
};
