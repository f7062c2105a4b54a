#include "settings/ui/SetupWindowView.h"

#include "model/ui/FormBinding.h"
#include "platform/Screen.h"
#include "settings/ui/EmailTabView.h"
#include "settings/ui/LogTabView.h"
#include "settings/ui/PeripheralsTabView.h"
#include "settings/ui/SetupControls.h"
#include "settings/ui/Sound4TabView.h"
#include "shell/Program.h"

#include <QCloseEvent>

using namespace setup_controls;

namespace {

// The computer's name and address, left of the buttons on the same line (twips).
constexpr int ComputerFieldWidth = 3000;
constexpr int ComputerFieldGap = 120;

} // namespace

SetupWindowView::SetupWindowView(Program& program, QWidget* parent)
    : QWidget(parent, Qt::Window), m_program(program) {
    FrmSetup& setup = program.frmSetup;
    setObjectName(setup.Form.name());
    setWindowTitle(setup.Caption.text());
    setAccessibleName(setup.Caption.text().isEmpty() ? setup.Form.name() : setup.Caption.text());
    connect(&setup.Caption, &TextField::textChanged, this, [this](const QString& caption) {
        setWindowTitle(caption);
        setAccessibleName(caption);
    });

    m_tabs = tabWidget(setup.SftTabsOptions, QStringLiteral("SftTabsOptions"),
                       {new Sound4TabView(program), new PeripheralsTabView(program),
                        new EmailTabView(program), new LogTabView(program)},
                       this);

    m_computerName =
        lineEdit(setup.TexteComputerNameAdresse[0],
                 controlName(QStringLiteral("TexteComputerNameAdresse"), 0), QString(), this);
    m_computerAddress =
        lineEdit(setup.TexteComputerNameAdresse[1],
                 controlName(QStringLiteral("TexteComputerNameAdresse"), 1), QString(), this);
    for (QLineEdit* fact : {m_computerName, m_computerAddress}) {
        fact->setReadOnly(true); // facts of this computer, read at load
    }

    m_save = button(QStringLiteral("CommandSave"), QStringLiteral("Enregistrer"), this);
    connect(m_save, &QPushButton::clicked, this,
            [this] { m_program.setupWindow.CommandSave_Click(m_program.frmMain.Form); });
    m_close = button(QStringLiteral("CommandFermer"), QStringLiteral("Fermer"), this);
    connect(m_close, &QPushButton::clicked, this,
            [this] { m_program.setupWindow.CommandFermer_Click(); });

    // An unusable listening address is told in a message box while this window is
    // on screen, in the trace log otherwise.

    for (GeometryField* g : {&setup.SftTabsOptions.Geometry, &setup.CommandSaveGeometry,
                             &setup.CommandFermerGeometry}) {
        connect(g, &GeometryField::geometryChanged, this, &SetupWindowView::applyLayout);
    }
    // Last: the binding shows the window when the model says it is shown.
    m_form = new FormBinding(*this, setup.Form, program.platform.screen.twipsPerPixel());
    applyLayout();
}

void SetupWindowView::applyLayout() {
    if (!m_form) {
        return;
    }
    const FrmSetup& setup = m_program.frmSetup;
    const auto place = [this](QWidget* widget, int left, int top, int width, int height) {
        widget->setGeometry(m_form->toPixels(left), m_form->toPixels(top), m_form->toPixels(width),
                            m_form->toPixels(height));
    };
    const GeometryField& tabs = setup.SftTabsOptions.Geometry;
    place(m_tabs, tabs.left(), tabs.top(), tabs.width(), tabs.height());
    const GeometryField& save = setup.CommandSaveGeometry;
    place(m_save, save.left(), save.top(), save.width(), save.height());
    const GeometryField& close = setup.CommandFermerGeometry;
    place(m_close, close.left(), close.top(), close.width(), close.height());
    place(m_computerName, tabs.left(), close.top(), ComputerFieldWidth, close.height());
    place(m_computerAddress, tabs.left() + ComputerFieldWidth + ComputerFieldGap, close.top(),
          ComputerFieldWidth, close.height());
}

void SetupWindowView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_program.setupWindow.Form_Resize();
}

void SetupWindowView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        m_program.setupWindow.Form_Resize(); // restored: laid out again
    } else if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        m_program.setupWindow.Form_Activate();
    }
}

void SetupWindowView::closeEvent(QCloseEvent* event) {
    // The close box only hides the window: it stays loaded until the program ends,
    // and the program unloads it without closing it.
    qint16 cancel = 0;
    m_program.setupWindow.Form_QueryUnload(cancel, SetupWindow::FormControlMenu);
    if (cancel != 0) {
        event->ignore();
    } else {
        QWidget::closeEvent(event);
    }
}
