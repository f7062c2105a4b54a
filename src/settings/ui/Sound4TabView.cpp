#include "settings/ui/Sound4TabView.h"

#include "settings/ui/SetupControls.h"
#include "shell/Program.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSplitter>
#include <QVBoxLayout>

using namespace setup_controls;

namespace {

// A column's heading, and the accessible name of its cell in a unit's row.
QString cellName(const QString& heading, int unit) {
    return heading + QLatin1Char(' ') + Sound4TabView::unitLabel(unit);
}

} // namespace

Sound4TabView::Sound4TabView(Program& program, QWidget* parent)
    : QWidget(parent), m_program(program) {
    setObjectName(QStringLiteral("OngletSound4"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildUnits());
    layout->addWidget(buildConsole());
    layout->addWidget(buildManualCommand());
    layout->addWidget(buildLists(), 1);
}

QString Sound4TabView::unitLabel(int unit) {
    return QStringLiteral("Sound4 N° ") + QString::number(unit + 1);
}

QWidget* Sound4TabView::buildUnits() {
    FrmSetup& setup = m_program.frmSetup;
    auto* frame = new QGroupBox(QStringLiteral("Liste des Sound4"), this);
    nameControl(frame, QStringLiteral("MyFrameSound4"), frame->title());
    auto* grid = new QGridLayout(frame);
    const QString host = QStringLiteral("Adresse IP");
    const QString port = QStringLiteral("Port");
    const QString serial = QStringLiteral("N° de série");
    const QString user = QStringLiteral("Utilisateur");
    const QString password = QStringLiteral("Mot de passe");
    const QString autoLogin = QStringLiteral("Auto-Login");
    const QStringList headings{host, port, serial, user, password, autoLogin};
    for (int column = 0; column < headings.size(); ++column) {
        grid->addWidget(new QLabel(headings.at(column), frame), 0, column + 1);
    }
    for (int i = 0; i < FrmSetup::NbSound4; ++i) {
        const int row = i + 1;
        grid->addWidget(new QLabel(unitLabel(i), frame), row, 0);
        grid->addWidget(lineEdit(setup.TexteSound4IP[i],
                                 controlName(QStringLiteral("TexteSound4IP"), i), cellName(host, i),
                                 frame),
                        row, 1);
        QLineEdit* portEdit =
            lineEdit(setup.TexteSound4Port[i], controlName(QStringLiteral("TexteSound4Port"), i),
                     cellName(port, i), frame);
        portEdit->setMaximumWidth(70);
        grid->addWidget(portEdit, row, 2);
        grid->addWidget(lineEdit(setup.TexteSound4NoSerie[i],
                                 controlName(QStringLiteral("TexteSound4NoSerie"), i),
                                 cellName(serial, i), frame),
                        row, 3);
        grid->addWidget(lineEdit(setup.TexteSound4User[i],
                                 controlName(QStringLiteral("TexteSound4User"), i),
                                 cellName(user, i), frame),
                        row, 4);
        QLineEdit* passwordEdit =
            lineEdit(setup.TexteSound4PW[i], controlName(QStringLiteral("TexteSound4PW"), i),
                     cellName(password, i), frame);
        passwordEdit->setEchoMode(QLineEdit::Password);
        grid->addWidget(passwordEdit, row, 5);
        grid->addWidget(checkBox(setup.CheckSound4AutoLogin[i],
                                 controlName(QStringLiteral("CheckSound4AutoLogin"), i), QString(),
                                 frame, cellName(autoLogin, i)),
                        row, 6, Qt::AlignCenter);

        auto* login = new QPushButton(frame);
        nameControl(login, controlName(QStringLiteral("CommandSound4Login"), i),
                    setup.CommandSound4Login[i].caption());
        login->setAccessibleDescription(unitLabel(i));
        login->setAutoDefault(false);
        bindButton(login, setup.CommandSound4Login[i]);
        connect(login, &QPushButton::clicked, this, [this, i] {
            // A login waits for the unit while events run: a second click meanwhile
            // would start a second login inside the first.
            if (!m_program.sessions.loggingIn(i)) {
                m_program.sessions.CommandSound4Login_Click(qint16(i));
            }
        });
        grid->addWidget(login, row, 7);

        auto* shape = new QFrame(frame);
        nameControl(shape, controlName(QStringLiteral("ShapeNoSound4"), i));
        shape->setAccessibleDescription(unitLabel(i));
        shape->setFixedSize(12, 12);
        shape->setStyleSheet(
            QStringLiteral("QFrame { background-color: #2e7d32; border-radius: 6px; }"));
        bindIndicator(shape, setup.ShapeNoSound4[i]);
        grid->addWidget(shape, row, 8, Qt::AlignCenter);
    }
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);
    grid->setColumnStretch(4, 2);
    grid->setColumnStretch(5, 2);
    return frame;
}

QWidget* Sound4TabView::buildConsole() {
    FrmSetup& setup = m_program.frmSetup;
    Sound4Console& console = m_program.console;
    auto* box = new QWidget(this);
    box->setObjectName(QStringLiteral("ConsoleSound4"));
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    const QString section = QStringLiteral("Section");
    const QString command = QStringLiteral("Commande");
    grid->addWidget(new QLabel(section, box), 0, 1);
    grid->addWidget(new QLabel(command, box), 0, 4);
    for (int i = 0; i < FrmSetup::NbSound4; ++i) {
        const int row = i + 1;
        const auto unit = qint16(i);
        grid->addWidget(new QLabel(unitLabel(i), box), row, 0);
        grid->addWidget(comboBox(setup.ComboSound4Section[i],
                                 controlName(QStringLiteral("ComboSound4Section"), i),
                                 cellName(section, i), box),
                        row, 1);
        QPushButton* help = button(controlName(QStringLiteral("CommandSound4Help"), i),
                                   QStringLiteral("Liste"), box);
        help->setAccessibleDescription(unitLabel(i));
        connect(help, &QPushButton::clicked, this,
                [&console, unit] { console.CommandSound4Help_Click(unit); });
        grid->addWidget(help, row, 2);
        QPushButton* helpSection =
            button(controlName(QStringLiteral("CommandSound4HelpSection"), i),
                   QStringLiteral("Détail"), box);
        helpSection->setAccessibleDescription(cellName(section, i));
        connect(helpSection, &QPushButton::clicked, this,
                [&console, unit] { console.CommandSound4HelpSection_Click(unit); });
        grid->addWidget(helpSection, row, 3);
        grid->addWidget(comboBox(setup.ComboSound4SectionDetail[i],
                                 controlName(QStringLiteral("ComboSound4SectionDetail"), i),
                                 cellName(command, i), box),
                        row, 4);
        QPushButton* detail = button(controlName(QStringLiteral("CommandSound4DetailCommande"), i),
                                     QStringLiteral("Détail"), box);
        detail->setAccessibleDescription(cellName(command, i));
        connect(detail, &QPushButton::clicked, this,
                [&console, unit] { console.CommandSound4DetailCommande_Click(unit); });
        grid->addWidget(detail, row, 5);
    }
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(4, 3);
    return box;
}

QWidget* Sound4TabView::buildManualCommand() {
    FrmSetup& setup = m_program.frmSetup;
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    const QString unitCaption = QStringLiteral("N° de carte Sound4");
    QComboBox* unit =
        comboBox(setup.ComboSound4NoCart, QStringLiteral("ComboSound4NoCart"), unitCaption, box);
    row->addWidget(labelFor(unitCaption, unit, box));
    row->addWidget(unit);
    QLineEdit* text = lineEdit(setup.TexteCommandeATester, QStringLiteral("TexteCommandeATester"),
                               QString(), box);
    row->addWidget(text, 1);
    QPushButton* send =
        button(QStringLiteral("CommandSound4CommandeATester"), QStringLiteral("Envoyer"), box);
    Sound4Console& console = m_program.console;
    connect(send, &QPushButton::clicked, this,
            [&console] { console.CommandSound4CommandeATester_Click(); });
    connect(text, &QLineEdit::returnPressed, send, &QPushButton::click);
    row->addWidget(send);
    return box;
}

QWidget* Sound4TabView::buildLists() {
    FrmSetup& setup = m_program.frmSetup;
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("SplitterSound4"));
    splitter->setChildrenCollapsible(false);

    auto* result = new QWidget(splitter);
    auto* resultLayout = new QVBoxLayout(result);
    resultLayout->setContentsMargins(0, 0, 0, 0);
    const QString resultCaption = QStringLiteral("Résultat");
    QListView* resultList =
        listView(setup.ListeResultat, QStringLiteral("ListeResultat"), resultCaption, result);
    resultLayout->addWidget(labelFor(resultCaption, resultList, result));
    resultLayout->addWidget(resultList, 1);

    // "Détail commande": the chosen command's description above its detail.
    auto* detail = new QWidget;
    detail->setObjectName(QStringLiteral("OngletDetailCommande"));
    auto* detailLayout = new QVBoxLayout(detail);
    auto* description = new QLabel(detail);
    nameControl(description, QStringLiteral("TexteDescriptionCommande"));
    description->setWordWrap(true);
    description->setTextInteractionFlags(Qt::TextSelectableByMouse);
    TextField& chosen = m_program.console.TexteDescriptionCommande;
    description->setText(chosen.text());
    connect(&chosen, &TextField::textChanged, description, &QLabel::setText);
    detailLayout->addWidget(description);
    detailLayout->addWidget(listView(setup.ListeSectionCommande,
                                     QStringLiteral("ListeSectionCommande"), QString(), detail),
                            1);

    // "Log": every unit's telnet traffic, and "Purger" to empty it.
    auto* log = new QWidget;
    log->setObjectName(QStringLiteral("OngletTelNet"));
    auto* logLayout = new QVBoxLayout(log);
    logLayout->addWidget(listView(setup.ListeTelNet, QStringLiteral("ListeTelNet"), QString(), log),
                         1);
    QPushButton* purge =
        button(QStringLiteral("CommandSound4Purger"), QStringLiteral("Purger"), log);
    Sound4Console& console = m_program.console;
    connect(purge, &QPushButton::clicked, this,
            [&console] { console.CommandSound4Purger_Click(); });
    logLayout->addWidget(purge, 0, Qt::AlignRight);

    QTabWidget* tabs =
        tabWidget(setup.SftTabsSound4, QStringLiteral("SftTabsSound4"), {detail, log}, splitter);
    splitter->addWidget(result);
    splitter->addWidget(tabs);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);
    return splitter;
}
