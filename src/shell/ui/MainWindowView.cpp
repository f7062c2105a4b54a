#include "shell/ui/MainWindowView.h"

#include "model/ui/FormBinding.h"
#include "settings/ui/FieldBinding.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"

#include <QAction>
#include <QCloseEvent>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>

namespace {

QListView* listView(ListField& field, const QString& name, QWidget* parent) {
    auto* view = new QListView(parent);
    view->setObjectName(name);
    view->setAccessibleName(name);
    bindListView(view, field);
    return view;
}

// A menu entry shows its field: caption, visible and enabled.
void bindAction(QAction* action, ButtonField& field) {
    const auto show = [action, &field] {
        action->setText(field.caption());
        action->setVisible(field.visible());
        action->setEnabled(field.enabled());
    };
    show();
    QObject::connect(&field, &ButtonField::changed, action, show);
}

} // namespace

MainWindowView::MainWindowView(Program& program, MainWindow& procedures, double twipsPerPixel,
                               QWidget* parent)
    : QMainWindow(parent), m_program(program), m_procedures(procedures) {
    Frm_Main& model = program.frmMain;
    setObjectName(QStringLiteral("Frm_Main"));
    setWindowTitle(model.Caption.text());
    setAccessibleName(QStringLiteral("Frm_Main"));
    connect(&model.Caption, &TextField::textChanged, this, &QWidget::setWindowTitle);
    buildMenus();

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Frm_Main_Client"));
    setCentralWidget(central);
    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(QStringLiteral("SftTabsMain"));
    m_tabs->setAccessibleName(QStringLiteral("SftTabsMain"));
    m_tabs->addTab(listView(model.ListeEmission, QStringLiteral("ListeEmission"), m_tabs),
                   model.SftTabsMain.text(0));
    m_tabs->addTab(listView(model.ListeReception, QStringLiteral("ListeReception"), m_tabs),
                   model.SftTabsMain.text(1));
    m_tabs->addTab(buildIncidentsPage(), model.SftTabsMain.text(2));
    for (int tab = 0; tab < model.SftTabsMain.count(); ++tab) {
        m_tabs->setTabVisible(tab, model.SftTabsMain.available(tab));
    }
    m_tabs->setCurrentIndex(model.SftTabsMain.current());
    connect(&model.SftTabsMain, &TabStripField::availabilityChanged, m_tabs,
            [this](int tab, bool available) { m_tabs->setTabVisible(tab, available); });
    connect(&model.SftTabsMain, &TabStripField::switched, m_tabs, [this](int tab) {
        if (m_tabs->currentIndex() != tab) {
            m_tabs->setCurrentIndex(tab);
        }
    });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        m_program.frmMain.SftTabsMain.setCurrent(tab); // the switch runs the procedure
        applyIncidentsLayout();
    });
    connect(&model.SftTabsMain.Geometry, &GeometryField::geometryChanged, this,
            &MainWindowView::applyTabStrip);
    connect(&model.IncidentsGeometry, &GeometryField::geometryChanged, this,
            &MainWindowView::applyIncidentsLayout);
    connect(&model.PurgeGeometry, &GeometryField::geometryChanged, this,
            &MainWindowView::applyIncidentsLayout);

    m_form = new FormBinding(*this, model.Form, twipsPerPixel);
    applyTabStrip();
    applyIncidentsLayout();
}

QAction* MainWindowView::addEntry(QMenu* menu, const QString& name, const QString& caption,
                                  const QKeySequence& shortcut) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
    }
    return action;
}

void MainWindowView::buildMenus() {
    MainWindow& p = m_procedures;
    QMenu* file = menuBar()->addMenu(QStringLiteral("Fichier"));
    file->setObjectName(QStringLiteral("Mnu01"));
    bindAction(addEntry(file, QStringLiteral("Mnu01CurrentUser"), QString()),
               m_program.frmMain.Mnu01CurrentUser);
    connect(addEntry(file, QStringLiteral("Mnu01User"), QStringLiteral("Changer d'utilisateur...")),
            &QAction::triggered, this, [&p] { p.Mnu01User_Click(); });
    file->addSeparator()->setObjectName(QStringLiteral("Mnu01Sep10"));
    connect(addEntry(file, QStringLiteral("Mnu01Veille"), QStringLiteral("Mise en veille")),
            &QAction::triggered, this, [&p] { p.Mnu01Veille_Click(); });
    file->addSeparator()->setObjectName(QStringLiteral("Mnu01Sep20"));
    QAction* options = addEntry(file, QStringLiteral("Mnu01Options"), QString(),
                                QKeySequence(Qt::CTRL | Qt::Key_O));
    bindAction(options, m_program.frmMain.Mnu01Options);
    connect(options, &QAction::triggered, this, [&p] { p.Mnu01Options_Click(); });
    file->addSeparator()->setObjectName(QStringLiteral("Mnu01Sep60"));
    connect(addEntry(file, QStringLiteral("Mnu01Log"), QStringLiteral("Log technique..."),
                     QKeySequence(Qt::CTRL | Qt::Key_F2)),
            &QAction::triggered, this, [&p] { p.Mnu01Log_Click(); });
    file->addSeparator()->setObjectName(QStringLiteral("Mnu01Sep90"));
    connect(addEntry(file, QStringLiteral("MnuQuitter"), QStringLiteral("Quitter"),
                     QKeySequence(Qt::CTRL | Qt::Key_Q)),
            &QAction::triggered, this, [&p] { p.MnuQuitter_Click(); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("?"));
    help->setObjectName(QStringLiteral("Mnu99"));
    connect(addEntry(help, QStringLiteral("MnuWhatNews_0"),
                     QStringLiteral("Historique des révisions (en local)...")),
            &QAction::triggered, this, [&p] { p.MnuWhatNews_Click(0); });
    connect(addEntry(help, QStringLiteral("MnuWhatNews_1"),
                     QStringLiteral("Historique des révisions (sur le net)...")),
            &QAction::triggered, this, [&p] { p.MnuWhatNews_Click(1); });
    help->addSeparator()->setObjectName(QStringLiteral("Mnu99Sep99"));
    connect(addEntry(help, QStringLiteral("Mnu99APropos"), QStringLiteral("A propos...")),
            &QAction::triggered, this, [&p] { p.Mnu99APropos_Click(); });
}

QWidget* MainWindowView::buildIncidentsPage() {
    Frm_Main& model = m_program.frmMain;
    auto* page = new QWidget(m_tabs);
    page->setObjectName(QStringLiteral("OngletIncidents"));
    m_incidents = listView(model.ListeIncidents[0], QStringLiteral("ListeIncidents_0"), page);
    m_purge = new QPushButton(model.CommandIncidentsPurge[0].caption(), page);
    m_purge->setObjectName(QStringLiteral("CommandIncidentsPurge_0"));
    m_purge->setAccessibleName(model.CommandIncidentsPurge[0].caption());
    bindButton(m_purge, model.CommandIncidentsPurge[0]);
    connect(m_purge, &QPushButton::clicked, this,
            [this] { m_program.incidentAlert.CommandIncidentsPurge_Click(0); });
    return page;
}

void MainWindowView::applyTabStrip() {
    if (!m_form) {
        return;
    }
    const GeometryField& g = m_program.frmMain.SftTabsMain.Geometry;
    m_tabs->setGeometry(m_form->toPixels(g.left()), m_form->toPixels(g.top()),
                        m_form->toPixels(g.width()), m_form->toPixels(g.height()));
    applyIncidentsLayout();
}

void MainWindowView::applyIncidentsLayout() {
    if (!m_form) {
        return;
    }
    // The model's places are the window's; the page sits inside the tab strip.
    const GeometryField& list = m_program.frmMain.IncidentsGeometry;
    const GeometryField& purge = m_program.frmMain.PurgeGeometry;
    QWidget* page = m_incidents->parentWidget();
    const QPoint origin = page->isVisible() ? page->mapTo(centralWidget(), QPoint(0, 0))
                                            : m_tabs->pos() + QPoint(0, m_tabs->tabBar()->height());
    const auto place = [this, origin](QWidget* w, const GeometryField& g) {
        w->setGeometry(qMax(0, m_form->toPixels(g.left()) - origin.x()),
                       qMax(0, m_form->toPixels(g.top()) - origin.y()), m_form->toPixels(g.width()),
                       m_form->toPixels(g.height()));
    };
    place(m_incidents, list);
    place(m_purge, purge);
}

void MainWindowView::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_procedures.Form_Resize();
}

void MainWindowView::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        m_procedures.Form_Resize(); // restored: the current tab is laid out again
    }
}

void MainWindowView::closeEvent(QCloseEvent* event) {
    // The close box asks; a confirmed quit unloads the program, which then ends.
    qint16 cancel = 0;
    m_procedures.Form_QueryUnload(cancel, 0);
    event->ignore();
}
