#include "settings/ui/PeripheralsTabView.h"

#include "settings/ui/SetupControls.h"
#include "shell/Program.h"

#include <QGridLayout>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace setup_controls;

namespace {

QString cellName(const QString& heading, int index) {
    return heading + QLatin1Char(' ') + PeripheralsTabView::rowLabel(index);
}

// The rows of a grid scroll when the tab is shorter than they are.
QWidget* scrolling(QWidget* content, QWidget* parent) {
    auto* area = new QScrollArea(parent);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(content);
    return area;
}

// One tab strip holding one page: the level a tab of the settings window opens on.
QWidget* singlePage(TabStripField& field, const QString& name, QWidget* page, QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabWidget(field, name, {page}, holder));
    return holder;
}

} // namespace

PeripheralsTabView::PeripheralsTabView(Program& program, QWidget* parent)
    : QWidget(parent), m_program(program) {
    setObjectName(QStringLiteral("OngletPeripheriques"));
    FrmSetup& setup = program.frmSetup;
    QWidget* emission =
        singlePage(setup.SftTabsPeripheriquesReseauEmission,
                   QStringLiteral("SftTabsPeripheriquesReseauEmission"), buildEmitters(), nullptr);
    emission->setObjectName(QStringLiteral("OngletEmission"));
    QWidget* reception = singlePage(setup.SftTabsPeripheriquesReseauReception,
                                    QStringLiteral("SftTabsPeripheriquesReseauReception"),
                                    buildListeners(), nullptr);
    reception->setObjectName(QStringLiteral("OngletReception"));
    auto* network = new QWidget;
    network->setObjectName(QStringLiteral("OngletReseau"));
    auto* networkLayout = new QVBoxLayout(network);
    networkLayout->addWidget(tabWidget(setup.SftTabsPeripheriquesReseau,
                                       QStringLiteral("SftTabsPeripheriquesReseau"),
                                       {emission, reception}, network));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabWidget(setup.SftTabsPeripheriques, QStringLiteral("SftTabsPeripheriques"),
                                {network}, this));
}

QString PeripheralsTabView::rowLabel(int index) {
    return QStringLiteral("UDP ") + QString::number(index);
}

QWidget* PeripheralsTabView::buildEmitters() {
    FrmSetup& setup = m_program.frmSetup;
    auto* rows = new QWidget;
    rows->setObjectName(QStringLiteral("UDPEmission"));
    auto* grid = new QGridLayout(rows);
    const QString host = QStringLiteral("Adresse IP");
    const QString port1 = QStringLiteral("Port 1");
    const QString port2 = QStringLiteral("Port 2");
    const QString text = QStringLiteral("Données à envoyer");
    const QString active = QStringLiteral("Actif");
    const QStringList headings{host, port1, port2, text, active};
    for (int column = 0; column < headings.size(); ++column) {
        grid->addWidget(new QLabel(headings.at(column), rows), 0, column + 1);
    }
    for (int i = 0; i < FrmSetup::NbUdp; ++i) {
        const int row = i + 1;
        grid->addWidget(new QLabel(rowLabel(i), rows), row, 0);
        grid->addWidget(lineEdit(setup.TexteUDPIPCible[i],
                                 controlName(QStringLiteral("TexteUDPIPCible"), i),
                                 cellName(host, i), rows),
                        row, 1);
        QLineEdit* first =
            lineEdit(setup.TexteUDPPortCible[i],
                     controlName(QStringLiteral("TexteUDPPortCible"), i), cellName(port1, i), rows);
        first->setMaximumWidth(70);
        grid->addWidget(first, row, 2);
        QLineEdit* second = lineEdit(setup.TexteUDPPortBCible[i],
                                     controlName(QStringLiteral("TexteUDPPortBCible"), i),
                                     cellName(port2, i), rows);
        second->setMaximumWidth(70);
        grid->addWidget(second, row, 3);
        grid->addWidget(lineEdit(setup.TexteUDPDonneeEnvoyees[i],
                                 controlName(QStringLiteral("TexteUDPDonneeEnvoyees"), i),
                                 cellName(text, i), rows),
                        row, 4);
        grid->addWidget(checkBox(setup.CheckUDPOutActif[i],
                                 controlName(QStringLiteral("CheckUDPOutActif"), i), QString(),
                                 rows, cellName(active, i)),
                        row, 5, Qt::AlignCenter);
        QPushButton* send =
            button(controlName(QStringLiteral("BtnUDPSend"), i), QStringLiteral("Envoyer"), rows);
        send->setAccessibleDescription(rowLabel(i));
        UdpEmission& emission = m_program.emission;
        const auto index = qint16(i);
        connect(send, &QPushButton::clicked, this,
                [&emission, index] { emission.BtnUDPSend_Click(index); });
        grid->addWidget(send, row, 6);
    }
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(4, 3);
    grid->setRowStretch(FrmSetup::NbUdp + 1, 1);
    return scrolling(rows, nullptr);
}

QWidget* PeripheralsTabView::buildListeners() {
    FrmSetup& setup = m_program.frmSetup;
    auto* rows = new QWidget;
    rows->setObjectName(QStringLiteral("UDPReception"));
    auto* grid = new QGridLayout(rows);
    const QString host = QStringLiteral("Adresse IP");
    const QString port = QStringLiteral("Port");
    const QString active = QStringLiteral("Actif");
    const QStringList headings{host, port, active};
    for (int column = 0; column < headings.size(); ++column) {
        grid->addWidget(new QLabel(headings.at(column), rows), 0, column + 1);
    }
    for (int i = 0; i < FrmSetup::NbUdp; ++i) {
        const int row = i + 1;
        grid->addWidget(new QLabel(rowLabel(i), rows), row, 0);
        grid->addWidget(lineEdit(setup.TexteUDPIPSource[i],
                                 controlName(QStringLiteral("TexteUDPIPSource"), i),
                                 cellName(host, i), rows),
                        row, 1);
        QLineEdit* portEdit =
            lineEdit(setup.TexteUDPPortSource[i],
                     controlName(QStringLiteral("TexteUDPPortSource"), i), cellName(port, i), rows);
        portEdit->setMaximumWidth(70);
        grid->addWidget(portEdit, row, 2);
        // Ticking opens the listener: the field's click action, as at start-up.
        grid->addWidget(checkBox(setup.CheckUDPInActif[i],
                                 controlName(QStringLiteral("CheckUDPInActif"), i), QString(), rows,
                                 cellName(active, i)),
                        row, 3, Qt::AlignCenter);
    }
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(4, 3);
    grid->setRowStretch(FrmSetup::NbUdp + 1, 1);
    return scrolling(rows, nullptr);
}
