#include "ProgramFixture.h"
#include "look/GeneralLook.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr quint32 Hklm = RegistryStore::HKEY_LOCAL_MACHINE;

struct LookFixture {
    ProgramFixture f;
    Program& p = f.program;
    GeneralLook& look = p.look;
    QSignalSpy applied{&look.state, &LookState::changed};

    void setStyle(const QString& text) {
        QCOMPARE(p.registry.Reg_SetValue(Hklm, GeneralLook::RegistryKey, GeneralLook::StyleValue,
                                         text, RegistryStore::REG_SZ),
                 0);
    }
    QString storedStyle() {
        QString value = QStringLiteral("<none>");
        p.registry.Reg_GetValue(Hklm, GeneralLook::RegistryKey, GeneralLook::StyleValue, value);
        return value;
    }
};

} // namespace

class TestGeneralLook : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The registry's value picks the style; a missing or blank one is 15, written
    // back, and a number outside the table loads nothing.
    void fromRegistry_data() {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("family");
        QTest::addColumn<bool>("skinned");
        QTest::addColumn<QString>("storedAfter");
        QTest::newRow("missing") << false << "" << 15 << 0 << true << "15";
        QTest::newRow("empty") << true << "" << 15 << 0 << true << "15";
        QTest::newRow("blanks") << true << "   " << 15 << 0 << true << "15";
        QTest::newRow("royale") << true << "4" << 4 << 1 << true << "4";
        QTest::newRow("leading number")
            << true << " 17 (Thallos)" << 17 << 1 << true << " 17 (Thallos)";
        QTest::newRow("first of the table") << true << "0" << 0 << 0 << true << "0";
        QTest::newRow("plain platform look") << true << "20" << 20 << 1 << true << "20";
        QTest::newRow("beyond the table") << true << "25" << 0 << 0 << false << "25";
        QTest::newRow("negative") << true << "-3" << 0 << 0 << false << "-3";
        QTest::newRow("not a number") << true << "Vista" << 0 << 0 << true << "Vista";
        QTest::newRow("beyond 32 bits")
            << true << "99999999999" << 0 << 0 << false << "99999999999";
    }
    void fromRegistry() {
        QFETCH(bool, present);
        QFETCH(QString, value);
        QFETCH(int, style);
        QFETCH(int, family);
        QFETCH(bool, skinned);
        QFETCH(QString, storedAfter);
        LookFixture s;
        if (present) {
            s.setStyle(value);
        }
        s.look.InitGeneralLook(GeneralLook::FromRegistry);
        QCOMPARE(s.look.state.style(), style);
        QCOMPARE(s.look.state.family(), family);
        QCOMPARE(s.p.state.PbLLookFamille, family);
        QCOMPARE(s.look.state.skin() != nullptr, skinned);
        QCOMPARE(s.storedStyle(), storedAfter);
        QCOMPARE(s.applied.count(), 1); // applied to the windows in every case
    }

    // A number outside the table keeps what an earlier load set.
    void outsideKeepsTheLoadedStyle() {
        LookFixture s;
        s.look.InitGeneralLook(10);
        s.look.InitGeneralLook(21);
        QCOMPARE(s.look.state.style(), 10);
        QCOMPARE(s.p.state.PbLLookFamille, 1);
        QCOMPARE(s.look.state.skin()->number, 10);
        QVERIFY(!s.look.state.platformLook());
        QCOMPARE(s.applied.count(), 2);
        QCOMPARE(s.storedStyle(), QString()); // an explicit style neither reads nor writes it
    }

    // Each style's frame family, which the windows' margins follow.
    void families_data() {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("family");
        const int families[] = {0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 0, 0, 1};
        for (int style = 0; style < look::StyleCount; ++style) {
            QTest::addRow("%d", style) << style << families[style];
        }
    }
    void families() {
        QFETCH(int, style);
        QFETCH(int, family);
        LookFixture s;
        s.look.InitGeneralLook(style);
        QCOMPARE(s.look.state.style(), style);
        QCOMPARE(s.p.state.PbLLookFamille, family);
        QCOMPARE(s.look.state.platformLook(), style == look::PlainStyle);
    }
};

QTEST_GUILESS_MAIN(TestGeneralLook)
#include "tst_generallook.moc"
