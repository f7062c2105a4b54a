#include "settings/ui/LogTabView.h"

#include "settings/ui/SetupControls.h"
#include "shell/Program.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace setup_controls;

LogTabView::LogTabView(Program& program, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("OngletLog"));
    FrmSetup& setup = program.frmSetup;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(listView(setup.ListeLog, QStringLiteral("ListeLog"), QString(), this), 1);

    auto* row = new QHBoxLayout;
    const QString caption = QStringLiteral("Nombre de lignes avant écriture");
    QLineEdit* lines =
        lineEdit(setup.TexteLogNbMaxlignes, QStringLiteral("TexteLogNbMaxlignes"), caption, this);
    lines->setMaximumWidth(80);
    row->addWidget(labelFor(caption, lines, this));
    row->addWidget(lines);
    row->addStretch(1);
    layout->addLayout(row);
}
