#include "shell/ui/WidgetDialogs.h"

#include "platform/PathSpace.h"
#include "users/ui/FrmSelectBaseView.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon boxIcon(DialogsHost::Icon icon) {
    switch (icon) {
    case DialogsHost::Icon::Information:
        return QMessageBox::Information;
    case DialogsHost::Icon::Warning:
        return QMessageBox::Warning;
    case DialogsHost::Icon::Critical:
        return QMessageBox::Critical;
    case DialogsHost::Icon::Question:
        return QMessageBox::Question;
    case DialogsHost::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonSpec {
    DialogsHost::Answer answer;
    const char* text;
    QMessageBox::ButtonRole role;
};

// The buttons in their order on screen, with their French captions.
QList<ButtonSpec> buttonsOf(DialogsHost::Buttons buttons) {
    using A = DialogsHost::Answer;
    const ButtonSpec ok{A::Ok, "OK", QMessageBox::AcceptRole};
    const ButtonSpec cancel{A::Cancel, "Annuler", QMessageBox::RejectRole};
    const ButtonSpec yes{A::Yes, "Oui", QMessageBox::YesRole};
    const ButtonSpec no{A::No, "Non", QMessageBox::NoRole};
    const ButtonSpec abort{A::Abort, "Abandonner", QMessageBox::RejectRole};
    const ButtonSpec retry{A::Retry, "Réessayer", QMessageBox::AcceptRole};
    const ButtonSpec ignore{A::Ignore, "Ignorer", QMessageBox::AcceptRole};
    switch (buttons) {
    case DialogsHost::Buttons::Ok:
        return {ok};
    case DialogsHost::Buttons::OkCancel:
        return {ok, cancel};
    case DialogsHost::Buttons::YesNo:
        return {yes, no};
    case DialogsHost::Buttons::YesNoCancel:
        return {yes, no, cancel};
    case DialogsHost::Buttons::AbortRetryIgnore:
        return {abort, retry, ignore};
    }
    return {ok};
}

} // namespace

void WidgetDialogs::attach(const PathSpace& paths, std::function<QWidget*()> parent,
                           std::function<void(bool)> aroundDialog) {
    m_paths = &paths;
    m_parent = std::move(parent);
    m_aroundDialog = std::move(aroundDialog);
}

void WidgetDialogs::around(bool before) const {
    if (m_aroundDialog) {
        m_aroundDialog(before);
    }
}

QString WidgetDialogs::toNative(const QString& windowsPath) const {
    return m_paths ? m_paths->toNative(windowsPath) : QString();
}

QString WidgetDialogs::toWindows(const QString& nativePath) const {
    return m_paths ? m_paths->toWindows(nativePath) : QString();
}

DialogsHost::Answer WidgetDialogs::ask(const QString& title, const QString& text, Buttons buttons,
                                       Icon icon, Answer safeAnswer) {
    QMessageBox box(boxIcon(icon), title, QString(text).replace(QStringLiteral("\r\n"), "\n"),
                    QMessageBox::NoButton, parentWindow());
    box.setObjectName(QStringLiteral("MessageBox"));
    QList<QPair<QAbstractButton*, Answer>> shown;
    for (const ButtonSpec& layout : buttonsOf(buttons)) {
        QPushButton* button = box.addButton(QString::fromUtf8(layout.text), layout.role);
        button->setObjectName(QStringLiteral("MessageBoxButton_") + QString::fromUtf8(layout.text));
        shown.append({button, layout.answer});
    }
    // The first button is the default; Escape and the close box take the one that
    // changes nothing: Cancel, else No, else the only button.
    box.setDefaultButton(qobject_cast<QPushButton*>(shown.first().first));
    QAbstractButton* escape = shown.last().first;
    for (const auto& [button, answer] : shown) {
        if (answer == Answer::Cancel || (answer == Answer::No && buttons == Buttons::YesNo)) {
            escape = button;
        }
    }
    // Abort ends the program: a stray Enter must not choose it.
    if (buttons == Buttons::AbortRetryIgnore) {
        box.setDefaultButton(qobject_cast<QPushButton*>(escape));
    }
    box.setEscapeButton(escape);
    around(true);
    box.exec();
    around(false);
    for (const auto& [button, answer] : shown) {
        if (box.clickedButton() == button) {
            return answer;
        }
    }
    return safeAnswer;
}

int WidgetDialogs::choose(const QString& title, const QString& prompt, const QStringList& items,
                          int preselected, int safeChoice) {
    if (items.isEmpty()) {
        return safeChoice;
    }
    QInputDialog dialog(parentWindow());
    dialog.setObjectName(QStringLiteral("ChoiceDialog"));
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    dialog.setTextValue(items.value(qBound(0, preselected, int(items.size()) - 1)));
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Annuler"));
    around(true);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    around(false);
    return accepted ? int(items.indexOf(dialog.textValue())) : -1;
}

int WidgetDialogs::chooseBase(const BaseChoice& choice) {
    if (choice.labels.isEmpty()) {
        return choice.safeChoice;
    }
    FrmSelectBaseView window(choice, parentWindow());
    around(true);
    window.exec();
    around(false);
    return window.BaseChoisie();
}

QString WidgetDialogs::browseFolder(const QString& title, const QString& startFolder) {
    around(true);
    const QString chosen =
        QFileDialog::getExistingDirectory(parentWindow(), title, toNative(startFolder));
    around(false);
    // A folder outside the station's path space cannot be stored: as cancelled.
    return chosen.isEmpty() ? QString() : toWindows(chosen);
}

std::optional<QString> WidgetDialogs::chooseLogFile(const QString& initialFolder,
                                                    const QString& filter,
                                                    const QString& proposedFile) {
    Q_UNUSED(initialFolder);
    around(true);
    const QString chosen = QFileDialog::getOpenFileName(parentWindow(), QString(),
                                                        toNative(proposedFile), qtFilter(filter));
    around(false);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    const QString windows = toWindows(chosen);
    return windows.isEmpty() ? std::nullopt : std::optional<QString>(windows);
}

QString WidgetDialogs::qtFilter(const QString& windowsFilter) {
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Windows matches without regard to case; the desktop's dialog does not.
        QStringList patterns;
        for (const QString& pattern : parts.at(i + 1).split(QLatin1Char(';'))) {
            patterns << pattern.toLower() << pattern.toUpper();
            QString capitalised = pattern.toLower();
            const qsizetype dot = capitalised.lastIndexOf(QLatin1Char('.'));
            if (dot >= 0 && dot + 1 < capitalised.size()) {
                capitalised[dot + 1] = capitalised.at(dot + 1).toUpper();
                patterns << capitalised;
            }
        }
        patterns.removeDuplicates();
        filters << parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.isEmpty() ? windowsFilter : filters.join(QStringLiteral(";;"));
}
