#include "shell/ui/AboutWindowView.h"

#include "model/FrmAbout.h"
#include "model/ui/FormBinding.h"
#include "settings/ui/FieldBinding.h"
#include "shell/AboutBox.h"
#include "shell/ui/ProgramIcon.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

AboutWindowView::AboutWindowView(FrmAbout& model, AboutBox& procedures, double twipsPerPixel,
                                 QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_procedures(procedures) {
    setObjectName(QStringLiteral("FrmAbout"));
    setModal(false);
    setWindowTitle(model.Caption.text());
    setAccessibleName(model.Caption.text());
    connect(&model.Caption, &TextField::textChanged, this, &QWidget::setWindowTitle);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picIcon"));
    picture->setAccessibleName(QStringLiteral("picIcon"));
    picture->setPixmap(ProgramIcon::normal().pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    QLabel* title = label(model.lblTitle, QStringLiteral("lblTitle"));
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    title->setFont(big);
    QLabel* disclaimer = label(model.lblDisclaimer, QStringLiteral("lblDisclaimer"));
    QFont small = disclaimer->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    disclaimer->setFont(small);

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* ok = new QPushButton(model.cmdOK.caption(), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setDefault(true);
    bindButton(ok, model.cmdOK);
    connect(ok, &QPushButton::clicked, this, [this] { m_procedures.cmdOK_Click(); });
    auto* sysInfo = new QPushButton(model.cmdSysInfo.caption(), this);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    sysInfo->setAccessibleName(QStringLiteral("Infos système"));
    bindButton(sysInfo, model.cmdSysInfo);
    connect(sysInfo, &QPushButton::clicked, this, [this] { m_procedures.cmdSysInfo_Click(); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(picture, 0, 0, 4, 1);
    layout->addWidget(title, 0, 1);
    layout->addWidget(label(model.lblVersion, QStringLiteral("lblVersion")), 1, 1);
    layout->addWidget(label(model.lblDescription, QStringLiteral("lblDescription")), 2, 1);
    layout->addWidget(label(model.lblCopyright, QStringLiteral("lblCopyright")), 3, 1);
    layout->addWidget(line, 4, 0, 1, 2);
    layout->addWidget(disclaimer, 5, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(sysInfo);
    layout->setRowStretch(6, 1);
    layout->addLayout(buttons, 7, 0, 1, 2);
    layout->setColumnStretch(1, 1);

    auto* form = new FormBinding(*this, model.Form, twipsPerPixel);
    setFixedSize(form->toPixels(model.Form.Geometry.width()),
                 form->toPixels(model.Form.Geometry.height()));
}

QLabel* AboutWindowView::label(TextField& field, const QString& name) {
    auto* shown = new QLabel(field.text(), this);
    shown->setObjectName(name);
    shown->setAccessibleName(name);
    shown->setWordWrap(true);
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(&field, &TextField::textChanged, shown, &QLabel::setText);
    return shown;
}

void AboutWindowView::reject() {
    // The close box and Escape: as "OK", the model hides the box.
    m_procedures.cmdOK_Click();
}
