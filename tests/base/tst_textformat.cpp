#include "ManualClock.h"
#include "RecordingReporter.h"
#include "base/TextFormat.h"
#include "base/VisibleText.h"

#include <QtTest>

#include <limits>

class TestTextFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The fast search must answer as the toolkit's case-insensitive one does.
    void indexOfIgnoringCase_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("needle");
        QTest::addColumn<qsizetype>("from");
        QTest::newRow("tag") << QStringLiteral("x<sd4:preset>") << QStringLiteral("<SD4:") << 0LL;
        QTest::newRow("tag after a false start")
            << QStringLiteral("<SD<sd<Sd4:x>") << QStringLiteral("<SD4:") << 0LL;
        QTest::newRow("tag start too near the end")
            << QStringLiteral("<RDS:PS><SD4") << QStringLiteral("<SD4:") << 0LL;
        QTest::newRow("tag after from")
            << QStringLiteral("<sd4:a><SD4:b>") << QStringLiteral("<SD4:") << 1LL;
        QTest::newRow("absent") << QStringLiteral("<RDS:PS>") << QStringLiteral("<SD4:") << 0LL;
        QTest::newRow("after from") << QStringLiteral("OK ok Ok") << QStringLiteral("ok") << 1LL;
        QTest::newRow("negative from") << QStringLiteral("abcABC") << QStringLiteral("abc") << -3LL;
        QTest::newRow("longer than text") << QStringLiteral("ab") << QStringLiteral("abc") << 0LL;
        QTest::newRow("empty needle") << QStringLiteral("ab") << QString() << 1LL;
        QTest::newRow("kelvin sign folds")
            << QStringLiteral("oK : login") << QStringLiteral("OK : LOGIN") << 0LL;
        QTest::newRow("accented text")
            << QStringLiteral("é<Msg:été>") << QStringLiteral("<msg:") << 0LL;
        QTest::newRow("accented needle")
            << QStringLiteral("ÉTÉ été") << QStringLiteral("été") << 0LL;
    }
    void indexOfIgnoringCase() {
        QFETCH(QString, text);
        QFETCH(QString, needle);
        QFETCH(qsizetype, from);
        QCOMPARE(::indexOfIgnoringCase(text, needle, from),
                 text.indexOf(needle, from, Qt::CaseInsensitive));
    }
    void utf8Encode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("é") << QStringLiteral("é") << QByteArray("\xC3\xA9");
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("spaced &") << QStringLiteral("Rock & Roll") << QByteArray("Rock et Roll");
        QTest::newRow("A&B") << QStringLiteral("A&B") << QByteArray("A et B");
        QTest::newRow("A& B") << QStringLiteral("A& B") << QByteArray("A et B");
        QTest::newRow("A &B") << QStringLiteral("A &B") << QByteArray("A et B");
        QTest::newRow("&&") << QStringLiteral("a&&b") << QByteArray("a et  et b");
        QTest::newRow("lone surrogate")
            << QString(QChar(0xD800)) + QStringLiteral("&") << QByteArray("? et ");
    }
    void utf8Encode() {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(UTF8_Encode_System(text), expected);
    }

    void utf8Decode() {
        const QChar bad(0xFFFD);
        QCOMPARE(UTF8_Decode_System("\xC3\xA9"), QStringLiteral("é"));
        QCOMPARE(UTF8_Decode_System("a & b"), QStringLiteral("a & b"));
        QCOMPARE(UTF8_Decode_System("a\xFF\xC3"), QStringLiteral("a") + bad + bad);
        QCOMPARE(UTF8_Decode_System("\xEF\xBB\xBFx"), QString(QChar(0xFEFF)) + QLatin1Char('x'));
    }

    void windows1252() {
        QByteArray all;
        for (int b = 0; b < 256; ++b) {
            all.append(static_cast<char>(b));
        }
        const QString text = fromWindows1252(all);
        QCOMPARE(toWindows1252(text), all); // every byte reads and writes back as itself
        QCOMPARE(text.mid(0x80, 2), QString::fromUtf16(u"\u20AC\u0081"));
        QCOMPARE(text.at(0x9F), QChar(0x178));
        QCOMPARE(windows1252Code(QChar(0x80)), int('?')); // a C1 control the page lacks
        QCOMPARE(toWindows1252(QStringLiteral("Ω\U0001F3B5x") + QChar(0xDC00)), QByteArray("??x?"));
    }

    // Text is converted and searched many characters at a time: a character that
    // needs a look at any place in or across those blocks is still seen.
    void wideBlocks_data() {
        QTest::addColumn<QString>("special");
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<bool>("control");
        QTest::newRow("e acute") << QStringLiteral("é") << QByteArray("\xE9") << false;
        QTest::newRow("euro") << QStringLiteral("€") << QByteArray("\x80") << false;
        QTest::newRow("beyond the page") << QStringLiteral("Ω") << QByteArray("?") << false;
        QTest::newRow("pair") << QStringLiteral("\U0001F3B5") << QByteArray("?") << false;
        QTest::newRow("highest") << QString(QChar(0xFFFF)) << QByteArray("?") << false;
        QTest::newRow("CR") << QStringLiteral("\r") << QByteArray("\r") << true;
        QTest::newRow("NUL") << QString(QChar(0)) << QByteArray(1, '\0') << true;
        QTest::newRow("unit separator") << QStringLiteral("\x1F") << QByteArray("\x1F") << true;
        QTest::newRow("DEL") << QStringLiteral("\x7F") << QByteArray("\x7F") << true;
        QTest::newRow("blank") << QStringLiteral(" ") << QByteArray(" ") << false;
    }
    void wideBlocks() {
        QFETCH(QString, special);
        QFETCH(QByteArray, code);
        QFETCH(bool, control);
        for (int length = 1; length <= 41; ++length) {
            for (int at = 0; at < length; ++at) {
                const QString text = QString(at, u'a') + special + QString(length - at - 1, u'b');
                const QByteArray bytes =
                    QByteArray(at, 'a') + code + QByteArray(length - at - 1, 'b');
                QCOMPARE(toWindows1252(text), bytes);
                QCOMPARE(hasControlCharacter(text), control);
            }
        }
        QByteArray out("kept:");
        appendWindows1252(out, u"x\u00E9y");
        QCOMPARE(out, QByteArray("kept:x\xE9y"));
    }

    void n2s_data() {
        QTest::addColumn<double>("number");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("pad");
        QTest::addColumn<QString>("expected");
        const QString zero = QStringLiteral("0");
        QTest::newRow("5 pad 0") << 5.0 << 3 << 0 << zero << "005";
        QTest::newRow("5 empty pad") << 5.0 << 3 << 0 << ""
                                     << "  5";
        QTest::newRow("leading digits lost") << 12345.0 << 4 << 0 << zero << "2345";
        QTest::newRow("width 0") << -12.0 << 0 << 0 << zero << "";
        QTest::newRow("-5 pad blank") << -5.0 << 3 << 0 << " "
                                      << " -5";
        QTest::newRow("-5 pad 0") << -5.0 << 3 << 0 << zero << "-05";
        QTest::newRow("-123 pad 0") << -123.0 << 3 << 0 << zero << "-123";
        QTest::newRow("-5 pad *") << -5.0 << 3 << 0 << "*"
                                  << "-*5";
        QTest::newRow("negative zero") << -0.0 << 2 << 0 << zero << "00";
        QTest::newRow("clamped") << -3e9 << 10 << 0 << zero << "-2147483647";
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 11 << 0 << zero
                                  << "02147483647";
        QTest::newRow("half to even") << 2.5 << 3 << 0 << zero << "002";
        QTest::newRow("decimals") << -0.5 << 5 << 2 << zero << "-0.50";
        QTest::newRow("negative width") << 5.0 << -1 << 0 << zero << "";
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 3 << 0 << zero << "";
    }
    void n2s() {
        QFETCH(double, number);
        QFETCH(int, width);
        QFETCH(int, decimals);
        QFETCH(QString, pad);
        QFETCH(QString, expected);
        QCOMPARE(N2S(number, qint16(width), qint16(decimals), pad), expected);
    }

    void d2s() {
        ManualClock clock; // 31 January 2024
        RecordingReporter errors;
        QCOMPARE(D2S(QDate(1999, 12, 31), clock, errors), QStringLiteral("19991231"));
        QVERIFY(errors.empty());
        QCOMPARE(D2S(QDate(), clock, errors), QStringLiteral("20240131"));
        QCOMPARE(errors.reports().size(), 1);
        QCOMPARE(errors.reports().at(0).caller, QStringLiteral("Lib_Public:D2S"));
        QCOMPARE(errors.reports().at(0).error.number, 5);
    }

    void date2StringEx_data() {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        const QDateTime wed(QDate(2024, 1, 31), QTime(9, 5, 3));
        const QDateTime sun(QDate(2024, 8, 4), QTime(21, 7, 0));
        const QDateTime thu(QDate(2024, 2, 29), QTime(0, 30, 9));
        QTest::newRow("program date") << wed << "dd/MM/yyyy"
                                      << "31/01/2024";
        QTest::newRow("MM after HH") << wed << "HH:MM:SS"
                                     << "09:05:03";
        QTest::newRow("blank format") << sun << "  "
                                      << "21:07:00";
        QTest::newRow("hh:nn:ss") << wed << "hh:nn:ss"
                                  << "09:05:03";
        QTest::newRow("short forms") << wed << "d/m/yy h:n:s"
                                     << "31/1/24 9:5:3";
        QTest::newRow("month again after a date token") << wed << "HH:MM dd/MM"
                                                        << "09:05 31/01";
        QTest::newRow("mm before ss is a month") << wed << "mm:ss"
                                                 << "01:03";
        QTest::newRow("literals") << wed << "\"le\" d, HH\\hMM"
                                  << "le 31, 09h05";
        QTest::newRow("names") << sun << "dddd d mmmm|ddd mmm"
                               << "dimanche 4 août|dim. août";
        QTest::newRow("whole dates") << thu << "ddddd|dddddd"
                                     << "29/02/2024|jeudi 29 février 2024";
        QTest::newRow("weeks from Sunday") << sun << "w ww q y"
                                           << "1 32 3 217";
        QTest::newRow("PM") << sun << "h:mm AM/PM ttttt"
                            << "9:07 PM 21:07:00";
        QTest::newRow("midnight hour is 12") << thu << "hh:nn am/pm a/p"
                                             << "12:30 am a";
        QTest::newRow("invalid") << QDateTime() << "dd/MM/yyyy HH:MM"
                                 << "30/12/1899 00:00";
    }
    void date2StringEx() {
        QFETCH(QDateTime, when);
        QFETCH(QString, format);
        QFETCH(QString, expected);
        QCOMPARE(Date2StringEx(when, format), expected);
    }

    void remplaceChaine_data() {
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("expected");
        QTest::newRow("middle") << "xy" << 3 << 2 << "ABxyEF";
        QTest::newRow("cut at the end") << "xy" << 6 << 2 << "ABCDEx";
        QTest::newRow("replacement shorter") << "x" << 2 << 5 << "AxCDEF";
        QTest::newRow("position 0") << "xy" << 0 << 2 << "";
        QTest::newRow("beyond the end") << "xy" << 7 << 2 << "ABCDEF";
        QTest::newRow("negative length") << "xy" << 2 << -1 << "ABCDEF";
    }
    void remplaceChaine() {
        QFETCH(QString, replacement);
        QFETCH(int, position);
        QFETCH(int, length);
        QFETCH(QString, expected);
        QCOMPARE(RemplaceChaine(QStringLiteral("ABCDEF"), replacement, position, length), expected);
    }

    void checkValiditeValeurMin() {
        qint32 value = 5;
        CheckValiditeValeurMin(value, 10, 0);
        QCOMPARE(value, 10);
        value = 50;
        CheckValiditeValeurMin(value, 10, 40);
        QCOMPARE(value, 40);
    }

    // CheckRep, NettoieNomDeDossier and NomFichierCorrect on the same paths.
    void folderNames_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("checkRep");
        QTest::addColumn<QString>("cleaned");
        QTest::addColumn<bool>("correct");
        QTest::newRow("empty") << ""
                               << ""
                               << "" << true;
        QTest::newRow("no backslash") << "C:\\Data"
                                      << "C:\\Data\\"
                                      << "C:\\Data" << true;
        QTest::newRow("two backslashes") << "C:\\D\\\\"
                                         << "C:\\D\\"
                                         << "C:\\D\\\\" << true;
        QTest::newRow("colon and slash") << "C:\\Radio: new/folder \\"
                                         << "C:\\Radio: new/folder \\"
                                         << "C:\\Radio  new folder\\" << true;
        QTest::newRow("forbidden") << "C:\\a|b*c?d\"e<f>g,h"
                                   << "C:\\a|b*c?d\"e<f>g,h\\"
                                   << "C:\\a b c d e f g h" << false;
        QTest::newRow("points, percent") << "C:\\x.....y%"
                                         << "C:\\x.....y%\\"
                                         << "C:\\xy" << true;
        QTest::newRow("triple blanks, one pass") << "C:\\x      y"
                                                 << "C:\\x      y\\"
                                                 << "C:\\x  y" << true;
        // The colon is beyond the first two characters here; blanks before "\" go.
        QTest::newRow("blanks before backslashes") << " C:\\a   \\ \\b  "
                                                   << " C:\\a   \\ \\b  \\"
                                                   << "C\\a\\\\b" << true;
    }
    void folderNames() {
        QFETCH(QString, path);
        QFETCH(QString, checkRep);
        QFETCH(QString, cleaned);
        QFETCH(bool, correct);
        QCOMPARE(CheckRep(path), checkRep);
        QCOMPARE(NettoieNomDeDossier(path), cleaned);
        QCOMPARE(NomFichierCorrect(path), correct);
    }

    void eclateRepFicExt_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("rep");
        QTest::addColumn<QString>("fic");
        QTest::addColumn<QString>("ext");
        QTest::newRow("full path") << "C:\\Data\\file.ini"
                                   << "C:\\Data\\"
                                   << "file"
                                   << ".ini";
        QTest::newRow("two points") << " archive.tar.gz "
                                    << ""
                                    << "archive.tar"
                                    << ".gz";
        QTest::newRow("point in folder") << "C:\\my.dir\\readme"
                                         << "C:\\my.dir\\"
                                         << "readme"
                                         << "";
        QTest::newRow("extension only") << ".ini"
                                        << ".ini"
                                        << ""
                                        << ".ini";
        QTest::newRow("folder only") << "C:\\Data\\"
                                     << "C:\\Data\\"
                                     << ""
                                     << "";
        QTest::newRow("empty") << ""
                               << ""
                               << ""
                               << "";
    }
    void eclateRepFicExt() {
        QFETCH(QString, path);
        QFETCH(QString, rep);
        QFETCH(QString, fic);
        QFETCH(QString, ext);
        RepFicExt r{QStringLiteral("old"), QStringLiteral("old"), QStringLiteral("old")};
        EclateRepFicExt(path, r);
        QCOMPARE(r.Rep, rep);
        QCOMPARE(r.Fic, fic);
        QCOMPARE(r.Ext, ext);
    }

    void clearChaine() {
        // Tab, LF, CR and codes above 250 go; the nine letters, ú (250), € and a
        // character without a code (read as "?") stay.
        QString text = QStringLiteral("a\tb\nc\ré çûùÿüú€Ω");
        QCOMPARE(ClearChaine(text), QStringLiteral("a b c é çûù  ú€Ω"));
        QCOMPARE(text, QStringLiteral("a b c é çûù  ú€Ω"));
    }
};

QTEST_GUILESS_MAIN(TestTextFormat)
#include "tst_textformat.moc"
