#include "base/NumberReading.h"

#include <QtTest>

#include <cfenv>
#include <cmath>
#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr qint64 kNone = std::numeric_limits<qint64>::min(); // no result expected
} // namespace

class TestNumberReading : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Rows of NaN expect no result (an overflow).
    void val_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("1.5") << "1.5" << 1.5;
        QTest::newRow("2.5") << "2.5" << 2.5;
        QTest::newRow("blanks around") << " 2 " << 2.0;
        QTest::newRow("stops at a letter") << "3abc" << 3.0;
        QTest::newRow("no number") << "x" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("-1") << "-1" << -1.0;
        QTest::newRow("blank after sign") << "- 5" << -5.0;
        QTest::newRow("two signs") << "--5" << 0.0;
        QTest::newRow("blanks, tabs, LF inside") << "1 2\t3\n.\n5" << 123.5;
        QTest::newRow("CR ends it") << "1\r2" << 1.0;
        QTest::newRow("second point ends it") << "1.2.3" << 1.2;
        QTest::newRow("1e3") << "1e3" << 1000.0;
        QTest::newRow("D exponent, blanks") << "25 D - 1" << 2.5;
        QTest::newRow("e without digits") << "1e-x" << 1.0;
        QTest::newRow("beyond a double") << "1.8e308" << kNaN;
        QTest::newRow("below a double") << "1e-400" << 0.0;
        QTest::newRow("huge exponent") << "-1e99999999999999999999999" << kNaN;
        QTest::newRow("huge negative exponent") << "5e-99999999999999999999999" << 0.0;
        QTest::newRow("zero, huge exponent") << "0e99999999999999999999" << 0.0;
        QTest::newRow("&HFF") << "& h F f" << 255.0;
        QTest::newRow("&HFFFF is 16-bit") << "&HFFFF" << -1.0;
        QTest::newRow("&H10000 is 32-bit") << "&H10000" << 65536.0;
        QTest::newRow("&HFFFFFFFF") << "&HFFFFFFFF" << -1.0;
        QTest::newRow("&H beyond 32 bits") << "&H100000000" << kNaN;
        QTest::newRow("octal stops at 8") << "&o178" << 15.0;
        QTest::newRow("& alone") << "&" << 0.0;
    }
    void val() {
        QFETCH(QString, text);
        QFETCH(double, expected);
        const std::optional<double> result = Val(text);
        QCOMPARE(result.has_value(), !std::isnan(expected));
        if (result) {
            QCOMPARE(*result, expected);
        }
    }

    // Texts of 64 KiB are read in linear time and never beyond their end.
    void valLongTexts() {
        const qsizetype n = 65536;
        const QString nines(n, QLatin1Char('9'));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(Val(QString(n, QLatin1Char(' ')) + QStringLiteral("7")) == 7.0);
        QVERIFY(Val(QString(n, QLatin1Char('0')) + QStringLiteral("1")) == 1.0);
        QVERIFY(!Val(nines));
        QVERIFY(!Val(QStringLiteral("1e") + nines));
        QVERIFY(Val(QStringLiteral("1e-") + nines) == 0.0);
        QVERIFY(!Val(QStringLiteral("&H") + QString(n, QLatin1Char('F'))));
        const std::optional<double> ones =
            Val(QString(n, QLatin1Char('1')) + QStringLiteral("e-65530"));
        QVERIFY(ones && std::fabs(*ones - 111111.11111111111) < 1e-6);
        QVERIFY2(timer.elapsed() < 2000, "reading long texts must stay linear");
    }

    void roundHalfEven_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("expected");
        QTest::newRow("0.5") << 0.5 << 0.0;
        QTest::newRow("1.5") << 1.5 << 2.0;
        QTest::newRow("-2.5") << -2.5 << -2.0;
        QTest::newRow("just below a half") << 0.49999999999999994 << 0.0;
        QTest::newRow("2^52 - 0.5") << 4503599627370495.5 << 4503599627370496.0;
        QTest::newRow("2^52 + 1") << 4503599627370497.0 << 4503599627370497.0;
    }
    void roundHalfEven() {
        QFETCH(double, value);
        QFETCH(double, expected);
        const int saved = std::fegetround();
        for (const int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
            std::fesetround(mode);
            const double result = RoundHalfEven(value);
            std::fesetround(saved);
            QCOMPARE(result, expected);
        }
    }

    void toInteger_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("expected16");
        QTest::addColumn<qint64>("expected32");
        QTest::newRow("2.5") << 2.5 << qint64(2) << qint64(2);
        QTest::newRow("32767.5 rounds to 32768") << 32767.5 << kNone << qint64(32768);
        QTest::newRow("-32768.5 rounds to -32768") << -32768.5 << qint64(-32768) << qint64(-32768);
        QTest::newRow("-32768.6") << -32768.6 << kNone << qint64(-32769);
        QTest::newRow("2147483647.5") << 2147483647.5 << kNone << kNone;
        QTest::newRow("-2147483648.5") << -2147483648.5 << kNone << qint64(-2147483648LL);
        QTest::newRow("NaN") << kNaN << kNone << kNone;
        QTest::newRow("-infinity") << -kInf << kNone << kNone;
    }
    void toInteger() {
        QFETCH(double, value);
        QFETCH(qint64, expected16);
        QFETCH(qint64, expected32);
        const std::optional<qint16> r16 = ToInt16(value);
        const std::optional<qint32> r32 = ToInt32(value);
        QCOMPARE(r16 ? qint64(*r16) : kNone, expected16);
        QCOMPARE(r32 ? qint64(*r32) : kNone, expected32);
    }
};

QTEST_GUILESS_MAIN(TestNumberReading)
#include "tst_numberreading.moc"
