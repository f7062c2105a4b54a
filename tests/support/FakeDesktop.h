#pragma once

#include "platform/Desktop.h"

// Records what would have been opened or started; nothing is run.
class FakeDesktop final : public Desktop {
public:
    struct Call {
        QString target;
        QStringList arguments;
        QString workingFolder;
        bool program = false;
    };

    Launch result = Launch::Started;

    Launch openWithDefaultApplication(const QString& target) override {
        calls.push_back({target, {}, {}, false});
        return result;
    }
    Launch startProgram(const QString& program, const QStringList& arguments,
                        const QString& workingFolder) override {
        calls.push_back({program, arguments, workingFolder, true});
        return result;
    }

    QList<Call> calls;
};
