#include "users/ui/FrmSelectBaseView.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

QLabel* label(const QString& name, const QString& text, QWidget* parent) {
    auto* widget = new QLabel(text, parent);
    widget->setObjectName(name);
    widget->setAccessibleName(text);
    return widget;
}

} // namespace

FrmSelectBaseView::FrmSelectBaseView(const DialogsHost::BaseChoice& choice, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FrmSelectBase"));
    setWindowTitle(QStringLiteral("Choix de la base"));
    setAccessibleName(QStringLiteral("Choix de la base"));
    setModal(true);

    QLabel* title = label(QStringLiteral("LabelOndelia"), QStringLiteral("Ondelia"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.5);
    title->setFont(titleFont);
    QLabel* prompt =
        label(QStringLiteral("LabelSelection"), QStringLiteral("Sélectionnez la base"), this);
    QLabel* base = label(QStringLiteral("LabelBase"), QStringLiteral("Base:"), this);

    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("ComboBase"));
    m_combo->setAccessibleName(QStringLiteral("ComboBase"));
    m_combo->addItems(choice.labels);
    m_combo->setCurrentIndex(choice.labels.isEmpty()
                                 ? -1
                                 : qBound(0, choice.preselected, int(choice.labels.size()) - 1));
    base->setBuddy(m_combo);
    if (choice.entrySelected) {
        connect(m_combo, &QComboBox::activated, this, choice.entrySelected);
    }

    auto* validate = new QPushButton(QStringLiteral("Valider"), this);
    validate->setObjectName(QStringLiteral("CommandFermer_0"));
    validate->setAccessibleName(QStringLiteral("Valider"));
    validate->setDefault(true);
    connect(validate, &QPushButton::clicked, this, [this] { CommandFermer_Click(Validate); });
    auto* giveUp = new QPushButton(QStringLiteral("Abandonner"), this);
    giveUp->setObjectName(QStringLiteral("CommandFermer_1"));
    giveUp->setAccessibleName(QStringLiteral("Abandonner"));
    connect(giveUp, &QPushButton::clicked, this, [this] { CommandFermer_Click(GiveUp); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(title, 0, 0, 1, 2);
    grid->addWidget(prompt, 1, 0, 1, 2);
    grid->addWidget(base, 2, 0);
    grid->addWidget(m_combo, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(validate);
    buttons->addWidget(giveUp);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    setTabOrder(m_combo, validate);
    setTabOrder(validate, giveUp);
    m_combo->setFocus();
}

void FrmSelectBaseView::CommandFermer_Click(int index) {
    m_choice = index == Validate ? m_combo->currentIndex() : -1;
    done(index == Validate ? Accepted : Rejected);
}

void FrmSelectBaseView::reject() {
    m_choice = -1; // Escape, as the close box
    QDialog::reject();
}

void FrmSelectBaseView::closeEvent(QCloseEvent* event) {
    m_choice = -1;
    QDialog::closeEvent(event);
}
