#include "model/Fields.h"
#include "model/WindowFields.h"
#include "settings/ui/FieldBinding.h"

#include <QAbstractItemModelTester>
#include <QListView>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

namespace {

QStringList shown(const QAbstractItemModel& model) {
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        rows << model.index(row, 0).data().toString();
    }
    return rows;
}

} // namespace

class TestFieldBinding : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listModelFollowsTheField_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("inserts");
        QTest::addColumn<int>("removals");
        QTest::addColumn<int>("resets");
        // The field starts with a, b, c.
        QTest::newRow("add") << "add" << QStringList{"a", "b", "c", "d"} << 1 << 0 << 0;
        QTest::newRow("insert at the top")
            << "top" << QStringList{"d", "a", "b", "c"} << 1 << 0 << 0;
        QTest::newRow("take the first") << "take" << QStringList{"b", "c"} << 0 << 1 << 0;
        QTest::newRow("remove two") << "first2" << QStringList{"c"} << 0 << 1 << 0;
        QTest::newRow("remove all by count") << "first9" << QStringList{} << 0 << 0 << 1;
        QTest::newRow("remove the middle") << "middle" << QStringList{"a", "c"} << 0 << 1 << 0;
        QTest::newRow("clear") << "clear" << QStringList{} << 0 << 0 << 1;
    }
    // One change of the field is one change of the model, checked by Qt's own model
    // tester.
    void listModelFollowsTheField() {
        QFETCH(QString, change);
        ListField field;
        for (const char* row : {"a", "b", "c"}) {
            field.addItem(QString::fromLatin1(row));
        }
        ListFieldModel model(field);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removals(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        if (change == QLatin1String("add")) {
            field.addItem(QStringLiteral("d"));
        } else if (change == QLatin1String("top")) {
            field.addCapped(QStringLiteral("d"), true);
        } else if (change == QLatin1String("take")) {
            field.takeFirst();
        } else if (change == QLatin1String("first2")) {
            field.removeFirst(2);
        } else if (change == QLatin1String("first9")) {
            field.removeFirst(9);
        } else if (change == QLatin1String("middle")) {
            field.removeItem(1);
        } else {
            field.clear();
        }
        QTEST(shown(model), "rows");
        QTEST(int(inserts.count()), "inserts");
        QTEST(int(removals.count()), "removals");
        QTEST(int(resets.count()), "resets");
    }

    // Past the display cap the list empties, then takes the new row.
    void cappedListStaysInStep() {
        ListField field;
        ListFieldModel model(field);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int i = 0; i <= ListField::DisplayCap + 1; ++i) {
            field.addCapped(QString::number(i));
        }
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, 0).data().toString(), QString::number(ListField::DisplayCap + 1));
    }

    // The list shows the field's selection; a row the person picks becomes it; rows
    // added meanwhile keep the choice on the same row.
    void listSelectionBothWays() {
        ListField field;
        QListView view;
        bindListView(&view, field);
        for (const char* row : {"a", "b", "c"}) {
            field.addItem(QString::fromLatin1(row));
        }
        field.setSelection(2);
        QCOMPARE(view.currentIndex().row(), 2);
        view.setCurrentIndex(view.model()->index(0, 0));
        QCOMPARE(field.selection(), 0);
        field.insertItem(0, QStringLiteral("z"));
        QCOMPARE(field.selection(), 1);
        QCOMPARE(view.currentIndex().row(), 1);
        field.clear();
        QCOMPARE(field.selection(), -1);
        QVERIFY(!view.selectionModel()->hasSelection());
    }

    void tabsBothWays() {
        TabStripField field{{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}};
        QTabWidget tabs;
        for (int i = 0; i < field.count(); ++i) {
            tabs.addTab(new QWidget, field.text(i));
        }
        field.setAvailable(1, false);
        bindTabWidget(&tabs, field);
        QVERIFY(!tabs.isTabVisible(1));
        QSignalSpy switches(&field, &TabStripField::switched);
        tabs.setCurrentIndex(2);
        QCOMPARE(field.current(), 2);
        QCOMPARE(switches.count(), 1);
        field.setCurrent(0);
        QCOMPARE(tabs.currentIndex(), 0);
        QCOMPARE(switches.count(), 2); // once per switch, not echoed
        field.setAvailable(1, true);
        QVERIFY(tabs.isTabVisible(1));
    }
};

QTEST_MAIN(TestFieldBinding)
#include "tst_fieldbinding.moc"
