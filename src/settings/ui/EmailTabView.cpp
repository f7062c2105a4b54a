#include "settings/ui/EmailTabView.h"

#include "settings/ui/SetupControls.h"
#include "shell/Program.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

using namespace setup_controls;

EmailTabView::EmailTabView(Program& program, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("OngletEmail"));
    FrmSetup& setup = program.frmSetup;
    auto* frame = new QGroupBox(QStringLiteral("Email"), this);
    nameControl(frame, QStringLiteral("MyFrameMail"), frame->title());
    auto* grid = new QGridLayout(frame);

    const QString addressesCaption = QStringLiteral("Emails");
    QLineEdit* addresses = lineEdit(setup.TexteEmailsAdresses,
                                    QStringLiteral("TexteEmailsAdresses"), addressesCaption, frame);
    grid->addWidget(labelFor(addressesCaption, addresses, frame), 0, 0);
    grid->addWidget(addresses, 0, 1);
    QPushButton* test = button(QStringLiteral("CommandEmailTest"), QStringLiteral("Tester"), frame);
    test->setToolTip(TestTip);
    test->setAccessibleDescription(TestTip);
    AlertMailer& mailer = program.mailer;
    connect(test, &QPushButton::clicked, this, [&mailer] { mailer.CommandEmailTest_Click(); });
    grid->addWidget(test, 0, 2);

    // Kind 0 is the connection alert; kinds 1 to 5 are kept with the settings but
    // carry no caption.
    for (int i = 0; i < FrmSetup::NbEmailChecks; ++i) {
        const QString caption =
            i == 0 ? QStringLiteral("Problème de connexion à la Sound 4") : QString();
        grid->addWidget(checkBox(setup.CheckEmail[i], controlName(QStringLiteral("CheckEmail"), i),
                                 caption, frame),
                        i + 1, 1);
    }
    grid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addStretch(1);
}
