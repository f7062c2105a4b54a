#pragma once

#include "log/TraceMirror.h"

#include <QString>

class Program;
class QTextStream;

// KZ3_Trelvo --test-mail: the settings window's "Tester" button from the command
// line. The same mail (subject, body, recipients and relay of the settings file)
// leaves the same way; what the button would log or show is printed instead, and
// nothing is written under the root.
class TestMailCommand final : public TraceMirror {
public:
    TestMailCommand(Program& program, QTextStream& out);
    ~TestMailCommand() override;

    // 0 when the relay took the mail, 1 otherwise.
    int run(const QString& commandLine);

    void traceLine(const QString& prefix, const QString& message, bool incident) override;

private:
    Program& m_program;
    QTextStream& m_out;
};
