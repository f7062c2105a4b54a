#pragma once

#include <QMainWindow>

class FormBinding;
class MainWindow;
class Program;
class QAction;
class QListView;
class QPushButton;
class QTabWidget;

// The main window: the tab strip with the datagrams sent, the datagrams received and
// the incidents, and the menu bar. Every action goes to the window's procedures.
class MainWindowView final : public QMainWindow {
    Q_OBJECT

public:
    MainWindowView(Program& program, MainWindow& procedures, double twipsPerPixel,
                   QWidget* parent = nullptr);

    QTabWidget* tabs() const { return m_tabs; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildMenus();
    QAction* addEntry(QMenu* menu, const QString& name, const QString& caption,
                      const QKeySequence& shortcut = QKeySequence());
    QWidget* buildIncidentsPage();
    void applyTabStrip();
    void applyIncidentsLayout();

    Program& m_program;
    MainWindow& m_procedures;
    FormBinding* m_form = nullptr;
    QTabWidget* m_tabs = nullptr;
    QListView* m_incidents = nullptr;
    QPushButton* m_purge = nullptr;
};
