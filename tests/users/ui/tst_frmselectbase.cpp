#include "platform/PathSpace.h"
#include "shell/ui/WidgetDialogs.h"
#include "users/ui/FrmSelectBaseView.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

DialogsHost::BaseChoice threeBases(QList<int>* selected = nullptr) {
    DialogsHost::BaseChoice choice;
    choice.labels = {QStringLiteral("Radio A"), QStringLiteral("Radio B"),
                     QStringLiteral("Radio C")};
    choice.preselected = 1;
    choice.safeChoice = 0;
    if (selected) {
        choice.entrySelected = [selected](int entry) { selected->append(entry); };
    }
    return choice;
}

// Acts on the modal window once it is up, from inside its event loop.
void whenShown(std::function<void(FrmSelectBaseView&)> act) {
    auto* poll = new QTimer;
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* window = qobject_cast<FrmSelectBaseView*>(QApplication::activeModalWidget());
        if (window && window->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(*window);
        }
    });
    poll->start();
}

} // namespace

class TestFrmSelectBase : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void texts() {
        FrmSelectBaseView window(threeBases());
        QCOMPARE(window.objectName(), QStringLiteral("FrmSelectBase"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Choix de la base"));
        QStringList labels;
        for (const QLabel* label : window.findChildren<QLabel*>()) {
            labels << label->text();
        }
        labels.sort();
        QCOMPARE(labels, (QStringList{"Base:", "Ondelia", "Sélectionnez la base"}));
        QComboBox* combo = window.findChild<QComboBox*>(QStringLiteral("ComboBase"));
        QVERIFY(combo);
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentIndex(), 1);
        QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("CommandFermer_0"))->text(),
                 QStringLiteral("Valider"));
        QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("CommandFermer_1"))->text(),
                 QStringLiteral("Abandonner"));
        QCOMPARE(window.BaseChoisie(), -1);
    }

    // The three ways out of the window shown by the dialogs host: "Valider" takes
    // the entry selected, "Abandonner" and the close box give up.
    void waysOut_data() {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("choice");
        QTest::newRow("Valider") << "CommandFermer_0" << 2;
        QTest::newRow("Abandonner") << "CommandFermer_1" << -1;
        QTest::newRow("close box") << "" << -1;
        QTest::newRow("Escape") << "Escape" << -1;
    }
    void waysOut() {
        QFETCH(QString, way);
        QFETCH(int, choice);
        QTemporaryDir root;
        PathSpace paths(root.path());
        WidgetDialogs dialogs;
        int aroundCalls = 0;
        dialogs.attach(
            paths, [] { return nullptr; }, [&aroundCalls](bool) { ++aroundCalls; });
        QList<int> selected;
        whenShown([way](FrmSelectBaseView& window) {
            QTest::keyClick(window.comboBase(), Qt::Key_Down); // the person picks Radio C
            if (way == u"Escape") {
                QTest::keyClick(&window, Qt::Key_Escape);
            } else if (way.isEmpty()) {
                window.close();
            } else {
                window.findChild<QPushButton*>(way)->click();
            }
        });
        QCOMPARE(dialogs.chooseBase(threeBases(&selected)), choice);
        QCOMPARE(selected, QList<int>{2}); // its label was read again
        QCOMPARE(aroundCalls, 2);          // windows kept on top stepped aside meanwhile
    }
};

QTEST_MAIN(TestFrmSelectBase)
#include "tst_frmselectbase.moc"
