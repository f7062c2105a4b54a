#pragma once

#include "platform/Desktop.h"

// The freedesktop launcher: documents and addresses go to xdg-open, programs are
// started directly; both detached, so they outlive this program.
class XdgDesktop final : public Desktop {
public:
    Launch openWithDefaultApplication(const QString& target) override;
    Launch startProgram(const QString& program, const QStringList& arguments,
                        const QString& workingFolder) override;
};
