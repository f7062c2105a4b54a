#include "FakeUdpSocket.h"
#include "ProgramFixture.h"
#include "ScriptedDialogs.h"
#include "settings/ui/SetupWindowView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QWindow>
#include <QtTest>

#include <memory>

namespace {

struct ViewFixture {
    ScriptedDialogs dialogs;
    ProgramFixture f{nullptr, &dialogs};
    Program& p = f.program;
    FrmSetup& setup = p.frmSetup;
    SetupWindowView view{p};

    template <typename Widget> Widget* find(const QString& name) {
        const QList<Widget*> found = view.findChildren<Widget*>(name);
        return found.size() == 1 ? found.first() : nullptr;
    }
    void show() {
        setup.Form.setVisible(true);
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }
    FakeUdpSocket& listener(int i) {
        return static_cast<FakeUdpSocket&>(*p.reception.SocketWrenchUDPIn[i]);
    }
};

} // namespace

class TestSetupWindowView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void controls_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("accessibleName");
        const auto row = [](const char* name, const QString& accessible) {
            QTest::newRow(name) << QString::fromUtf8(name) << accessible;
        };
        row("SftTabsOptions", QStringLiteral("SftTabsOptions"));
        row("SftTabsSound4", QStringLiteral("SftTabsSound4"));
        row("SftTabsPeripheriques", QStringLiteral("SftTabsPeripheriques"));
        row("SftTabsPeripheriquesReseau", QStringLiteral("SftTabsPeripheriquesReseau"));
        row("SftTabsPeripheriquesReseauEmission",
            QStringLiteral("SftTabsPeripheriquesReseauEmission"));
        row("MyFrameSound4", QStringLiteral("Liste des Sound4"));
        row("MyFrameMail", QStringLiteral("Email"));
        row("TexteSound4IP_0", QStringLiteral("Adresse IP Sound4 N° 1"));
        row("TexteSound4IP_3", QStringLiteral("Adresse IP Sound4 N° 4"));
        row("TexteSound4Port_2", QStringLiteral("Port Sound4 N° 3"));
        row("TexteSound4NoSerie_1", QStringLiteral("N° de série Sound4 N° 2"));
        row("TexteSound4User_0", QStringLiteral("Utilisateur Sound4 N° 1"));
        row("TexteSound4PW_3", QStringLiteral("Mot de passe Sound4 N° 4"));
        row("CheckSound4AutoLogin_2", QStringLiteral("Auto-Login Sound4 N° 3"));
        row("CommandSound4Login_0", QStringLiteral("Login"));
        row("ShapeNoSound4_3", QStringLiteral("ShapeNoSound4_3"));
        row("ComboSound4Section_1", QStringLiteral("Section Sound4 N° 2"));
        row("CommandSound4Help_2", QStringLiteral("Liste"));
        row("CommandSound4HelpSection_3", QStringLiteral("Détail"));
        row("ComboSound4SectionDetail_0", QStringLiteral("Commande Sound4 N° 1"));
        row("CommandSound4DetailCommande_1", QStringLiteral("Détail"));
        row("ListeSectionCommande", QStringLiteral("ListeSectionCommande"));
        row("ListeTelNet", QStringLiteral("ListeTelNet"));
        row("CommandSound4Purger", QStringLiteral("Purger"));
        row("ComboSound4NoCart", QStringLiteral("N° de carte Sound4"));
        row("TexteCommandeATester", QStringLiteral("TexteCommandeATester"));
        row("CommandSound4CommandeATester", QStringLiteral("Envoyer"));
        row("ListeResultat", QStringLiteral("Résultat"));
        row("TexteUDPIPSource_0", QStringLiteral("Adresse IP UDP 0"));
        row("CheckUDPInActif_5", QStringLiteral("Actif UDP 5"));
        row("TexteUDPIPCible_9", QStringLiteral("Adresse IP UDP 9"));
        row("TexteUDPPortCible_0", QStringLiteral("Port 1 UDP 0"));
        row("TexteUDPPortBCible_4", QStringLiteral("Port 2 UDP 4"));
        row("TexteUDPDonneeEnvoyees_7", QStringLiteral("Données à envoyer UDP 7"));
        row("CheckUDPOutActif_2", QStringLiteral("Actif UDP 2"));
        row("BtnUDPSend_9", QStringLiteral("Envoyer"));
        row("TexteEmailsAdresses", QStringLiteral("Emails"));
        row("CheckEmail_0", QStringLiteral("Problème de connexion à la Sound 4"));
        row("CheckEmail_1", QStringLiteral("CheckEmail_1"));
        row("CommandEmailTest", QStringLiteral("Tester"));
        row("ListeLog", QStringLiteral("ListeLog"));
        row("TexteLogNbMaxlignes", QStringLiteral("Nombre de lignes avant écriture"));
        row("TexteComputerNameAdresse_0", QStringLiteral("TexteComputerNameAdresse_0"));
        row("CommandSave", QStringLiteral("Enregistrer"));
        row("CommandFermer", QStringLiteral("Fermer"));
    }
    // Each control once, under its name, with the name a screen reader says.
    void controls() {
        QFETCH(QString, name);
        ViewFixture s;
        QWidget* control = s.find<QWidget>(name);
        QVERIFY2(control, qPrintable(name));
        QTEST(control->accessibleName(), "accessibleName");
    }

    // No control without a name of its own or a name to be read out.
    void everyControlIsNamed() {
        ViewFixture s;
        const QList<QWidget*> widgets = s.view.findChildren<QWidget*>();
        int controls = 0;
        for (QWidget* w : widgets) {
            if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) ||
                qobject_cast<QComboBox*>(w) || qobject_cast<QListView*>(w) ||
                qobject_cast<QTabWidget*>(w)) {
                if (qobject_cast<QLineEdit*>(w) && qobject_cast<QComboBox*>(w->parentWidget())) {
                    continue; // a combo's own editor
                }
                if (w->inherits("QTabBar") || w->inherits("QToolButton")) {
                    continue; // a tab strip's own parts
                }
                ++controls;
                QVERIFY2(!w->objectName().isEmpty(), w->metaObject()->className());
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
            }
        }
        QVERIFY(controls > 150);
    }

    void tabStrips_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("options") << "SftTabsOptions"
                                 << QStringList{QStringLiteral("Sound4"),
                                                QStringLiteral("Périphériques divers"),
                                                QStringLiteral("Email"), QStringLiteral("Log")};
        QTest::newRow("Sound4") << "SftTabsSound4"
                                << QStringList{QStringLiteral("Détail commande"),
                                               QStringLiteral("Log")};
        QTest::newRow("peripherals")
            << "SftTabsPeripheriques" << QStringList{QStringLiteral("Réseau")};
        QTest::newRow("network") << "SftTabsPeripheriquesReseau"
                                 << QStringList{QStringLiteral("Emission"),
                                                QStringLiteral("Réception")};
        QTest::newRow("emitters") << "SftTabsPeripheriquesReseauEmission"
                                  << QStringList{QStringLiteral("UDP")};
        QTest::newRow("listeners")
            << "SftTabsPeripheriquesReseauReception" << QStringList{QStringLiteral("UDP")};
    }
    // The tabs read as drawn, and each strip opens on its first tab.
    void tabStrips() {
        QFETCH(QString, name);
        ViewFixture s;
        QTabWidget* tabs = s.find<QTabWidget>(name);
        QVERIFY(tabs);
        QStringList texts;
        for (int tab = 0; tab < tabs->count(); ++tab) {
            texts << tabs->tabText(tab);
        }
        QTEST(texts, "texts");
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void captions() {
        ViewFixture s;
        s.setup.Caption.setText(QStringLiteral("Options: Ondelia: Trelvo - 2024.0131.0905"));
        QCOMPARE(s.view.windowTitle(), QStringLiteral("Options: Ondelia: Trelvo - 2024.0131.0905"));
        QCOMPARE(s.find<QPushButton>(QStringLiteral("CommandEmailTest"))->toolTip(),
                 QStringLiteral("Tester l'envoi d'un mail à l'expéditeur"));
        for (int i = 0; i < FrmSetup::NbSound4; ++i) {
            QLineEdit* password = s.find<QLineEdit>(QStringLiteral("TexteSound4PW_%1").arg(i));
            QCOMPARE(password->echoMode(), QLineEdit::Password);
        }
    }

    // Typing reaches the model and its change flag; a model change shows, once.
    void editsGoThroughTheModel() {
        ViewFixture s;
        s.show();
        QLineEdit* host = s.find<QLineEdit>(QStringLiteral("TexteSound4IP_1"));
        QVERIFY(!s.p.state.PbBOptionsModifiees);
        QTest::keyClicks(host, QStringLiteral("10.0.0.5"));
        QCOMPARE(s.setup.TexteSound4IP[1].text(), QStringLiteral("10.0.0.5"));
        QVERIFY(s.p.state.PbBOptionsModifiees);
        QVERIFY(!s.p.state.PbBPeripheriquesModifies);

        QSignalSpy changes(&s.setup.TexteSound4IP[2], &TextField::textChanged);
        s.setup.TexteSound4IP[2].setText(QStringLiteral("studio-b"));
        QCOMPARE(s.find<QLineEdit>(QStringLiteral("TexteSound4IP_2"))->text(),
                 QStringLiteral("studio-b"));
        QCOMPARE(changes.count(), 1); // not echoed back

        s.setup.TexteUDPIPSource[6].setEnabled(false);
        QVERIFY(!s.find<QLineEdit>(QStringLiteral("TexteUDPIPSource_6"))->isEnabled());
    }

    void loginCaptionIsTheModels() {
        ViewFixture s;
        QPushButton* login = s.find<QPushButton>(QStringLiteral("CommandSound4Login_2"));
        QCOMPARE(login->text(), QStringLiteral("Login"));
        s.setup.CommandSound4Login[2].setCaption(QStringLiteral("Logout"));
        QCOMPARE(login->text(), QStringLiteral("Logout"));
        QCOMPARE(login->accessibleName(), QStringLiteral("Logout"));
        QCOMPARE(s.find<QPushButton>(QStringLiteral("CommandSound4Login_1"))->text(),
                 QStringLiteral("Login"));
        QWidget* shape = s.find<QWidget>(QStringLiteral("ShapeNoSound4_2"));
        s.show();
        QVERIFY(!shape->isVisible());
        s.setup.ShapeNoSound4[2].setVisible(true);
        QVERIFY(shape->isVisible());
    }

    void closing_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Fermer") << false;
        QTest::newRow("close box") << true;
    }
    // Closing only hides: shown again, the window holds the unsaved edit.
    void closing() {
        QFETCH(bool, closeBox);
        ViewFixture s;
        s.show();
        QLineEdit* mails = s.find<QLineEdit>(QStringLiteral("TexteEmailsAdresses"));
        QTest::keyClicks(mails, QStringLiteral("regie@radio.fr"));
        if (closeBox) {
            QVERIFY(s.view.windowHandle()->close() == false); // refused: the window stays
        } else {
            QTest::mouseClick(s.find<QPushButton>(QStringLiteral("CommandFermer")), Qt::LeftButton);
        }
        QVERIFY(!s.view.isVisible());
        QVERIFY(!s.setup.Form.visible());
        QVERIFY(s.dialogs.questions.isEmpty());
        s.setup.Form.setVisible(true);
        QVERIFY(s.view.isVisible());
        QCOMPARE(mails->text(), QStringLiteral("regie@radio.fr"));
        QCOMPARE(s.setup.TexteEmailsAdresses.text(), QStringLiteral("regie@radio.fr"));
        QVERIFY(s.p.state.PbBOptionsModifiees);
    }

    // Hidden by the program, the window hides; hidden by the platform, the model
    // follows.
    void visibilityFollowsTheModel() {
        ViewFixture s;
        QVERIFY(!s.view.isVisible());
        s.show();
        QVERIFY(s.view.isVisible());
        s.setup.Form.setVisible(false);
        QVERIFY(!s.view.isVisible());
        s.view.show();
        QVERIFY(s.setup.Form.visible());
        s.view.hide();
        QVERIFY(!s.setup.Form.visible());
    }

    // The size in twips, and the buttons kept at the bottom of the new size.
    void resizingLaysOut() {
        ViewFixture s;
        s.show();
        s.view.resize(1000, 800);
        QCOMPARE(s.setup.Form.Geometry.width(), 15000);
        QCOMPARE(s.setup.Form.Geometry.height(), 12000);
        QCOMPARE(s.setup.CommandFermerGeometry.top(), 12000 - 405 - 495);
        QCOMPARE(s.find<QPushButton>(QStringLiteral("CommandFermer"))->y(), 740);
        QCOMPARE(s.find<QPushButton>(QStringLiteral("CommandSave"))->y(), 740);
        QCOMPARE(s.view.tabs()->height(), (12000 - 405 - 495 - 60 - 60) / 15);

        s.setup.Form.Geometry.move(3000, 1500);
        QCOMPARE(s.view.pos(), QPoint(200, 100));
    }

    void listenerRow_data() {
        QTest::addColumn<bool>("byClick");
        QTest::newRow("clicked in the window") << true;
        QTest::newRow("set by code, as headless") << false;
    }
    // Ticking a listener's box opens it exactly as the headless program does.
    void listenerRow() {
        QFETCH(bool, byClick);
        ViewFixture s;
        s.show();
        s.setup.TexteUDPIPSource[3].setText(QStringLiteral("192.168.10.5"));
        s.setup.TexteUDPPortSource[3].setText(QStringLiteral("5003"));
        s.p.state.PbBPeripheriquesModifies = false;
        s.view.tabs()->setCurrentIndex(1);
        s.find<QTabWidget>(QStringLiteral("SftTabsPeripheriquesReseau"))->setCurrentIndex(1);
        QCheckBox* box = s.find<QCheckBox>(QStringLiteral("CheckUDPInActif_3"));
        if (byClick) {
            QTest::mouseClick(box, Qt::LeftButton);
        } else {
            s.setup.CheckUDPInActif[3].setValue(1);
        }
        QCOMPARE(s.setup.CheckUDPInActif[3].value(), 1);
        QVERIFY(box->isChecked());
        QCOMPARE(s.listener(3).binds,
                 (QList<QPair<QString, qint32>>{{QStringLiteral("192.168.10.5"), 5003}}));
        QVERIFY(s.p.state.PbBPeripheriquesModifies);
        // Bound: the address and port cannot be edited.
        QVERIFY(!s.find<QLineEdit>(QStringLiteral("TexteUDPIPSource_3"))->isEnabled());
        QVERIFY(!s.find<QLineEdit>(QStringLiteral("TexteUDPPortSource_3"))->isEnabled());

        if (byClick) {
            QTest::mouseClick(box, Qt::LeftButton);
            QCOMPARE(s.setup.CheckUDPInActif[3].value(), 0);
            QVERIFY(s.find<QLineEdit>(QStringLiteral("TexteUDPIPSource_3"))->isEnabled());
        }
    }

    // A grey box shows grey; a click ticks it.
    void greyCheckBox() {
        ViewFixture s;
        s.show();
        QCheckBox* box = s.find<QCheckBox>(QStringLiteral("CheckSound4AutoLogin_0"));
        s.setup.CheckSound4AutoLogin[0].setValue(2);
        QCOMPARE(box->checkState(), Qt::PartiallyChecked);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(s.setup.CheckSound4AutoLogin[0].value(), 1);
        QCOMPARE(box->checkState(), Qt::Checked);
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(s.setup.CheckSound4AutoLogin[0].value(), 0);
        QCOMPARE(box->checkState(), Qt::Unchecked);
    }

    // A combo that fills shows the model's choice and chooses nothing by itself:
    // choosing a command runs the console's click, and only the person does that.
    void combosChooseOnlyWhatTheModelChose() {
        ViewFixture s;
        s.show();
        QComboBox* commands = s.find<QComboBox>(QStringLiteral("ComboSound4SectionDetail_0"));
        ListField& field = s.setup.ComboSound4SectionDetail[0];
        QSignalSpy chosen(&field, &ListField::selectionChanged);
        field.addItem(QStringLiteral("volume"));
        field.addItem(QStringLiteral("preset"));
        QCOMPARE(commands->count(), 2);
        QCOMPARE(field.selection(), -1);
        QCOMPARE(commands->currentIndex(), -1);
        QCOMPARE(chosen.count(), 0);
        field.setSelection(1);
        QCOMPARE(commands->currentIndex(), 1);

        QComboBox* unit = s.find<QComboBox>(QStringLiteral("ComboSound4NoCart"));
        QCOMPARE(unit->currentText(), QStringLiteral("1"));
        unit->setFocus();
        QTest::keyClick(unit, Qt::Key_Down); // the person picks the next unit
        QCOMPARE(s.setup.ComboSound4NoCart.selection(), 1);
    }
};

QTEST_MAIN(TestSetupWindowView)
#include "tst_setupwindowview.moc"
