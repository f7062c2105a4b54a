#include "shell/ui/QtTrayIcon.h"

#include "model/FrmSysTray.h"
#include "shell/ui/ProgramIcon.h"

#include <QAction>

QtTrayIcon::QtTrayIcon(FrmSysTray& model, QObject* parent) : TrayIcon(parent) {
    m_menu.setObjectName(QStringLiteral("MnuFlottant"));
    m_menu.setTitle(model.MnuFlottant);
    m_menu.setWindowTitle(model.MnuFlottant);
    connect(addEntry(model.MnuAfficher, QStringLiteral("MnuAfficher")), &QAction::triggered, this,
            &TrayIcon::showRequested);
    m_menu.addSeparator()->setObjectName(QStringLiteral("MnuSep01"));
    connect(addEntry(model.MnuAbout, QStringLiteral("MnuAbout")), &QAction::triggered, this,
            &TrayIcon::aboutRequested);
    // The tray opens the context menu on a right click by itself; the other clicks
    // (activated with Trigger, DoubleClick or MiddleClick) are left unanswered.
    m_icon.setContextMenu(&m_menu);
    m_icon.setIcon(ProgramIcon::normal());
}

QAction* QtTrayIcon::addEntry(ButtonField& field, const QString& name) {
    QAction* action = m_menu.addAction(field.caption());
    action->setObjectName(name);
    const auto apply = [action, &field] {
        action->setText(field.caption());
        action->setVisible(field.visible());
        action->setEnabled(field.enabled());
    };
    apply();
    connect(&field, &ButtonField::changed, action, apply);
    return action;
}

bool QtTrayIcon::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcon::show(const QString& tip, Look look) {
    m_look = look;
    m_icon.setIcon(look == Look::Alert ? ProgramIcon::alert() : ProgramIcon::normal());
    m_icon.setToolTip(tip);
    m_icon.show();
}

void QtTrayIcon::hide() {
    m_menu.hide();
    m_icon.hide();
}

bool QtTrayIcon::isShown() const {
    return m_icon.isVisible();
}
