#pragma once

#include <QWidget>

class FormBinding;
class Program;
class QLineEdit;
class QPushButton;
class QTabWidget;

// The settings window: the options tab strip ("Sound4", "Périphériques divers",
// "Email", "Log") above "Enregistrer" and "Fermer", bound to FrmSetup. It stays
// loaded for the whole run; closing it only hides it, with every edit kept. Its
// place, size and visibility are the model's, both ways.
class SetupWindowView final : public QWidget {
    Q_OBJECT

public:
    // A window of its own, owned by parent (the main window) when there is one.
    explicit SetupWindowView(Program& program, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return m_tabs; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The tab strip, the buttons and the computer's name and address where the
    // model puts them.
    void applyLayout();

    Program& m_program;
    FormBinding* m_form = nullptr;
    QTabWidget* m_tabs = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_close = nullptr;
    QLineEdit* m_computerName = nullptr;
    QLineEdit* m_computerAddress = nullptr;
};
