#pragma once

#include <QWidget>

class Program;

// The "Email" tab of the settings window: the alert mail's recipients, the alert
// kinds and the test mail.
class EmailTabView final : public QWidget {
public:
    static inline const QString TestTip = QStringLiteral("Tester l'envoi d'un mail à l'expéditeur");

    explicit EmailTabView(Program& program, QWidget* parent = nullptr);
};
