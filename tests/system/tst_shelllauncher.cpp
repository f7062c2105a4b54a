#include "FakeDesktop.h"
#include "RecordingReporter.h"
#include "RecordingTrace.h"
#include "platform/PathSpace.h"
#include "system/ShellLauncher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(Desktop::Launch)

namespace {

// A root holding the document C:\Docs\Notes.txt and the program C:\Tools\Report.sh.
struct Fixture {
    QTemporaryDir root;
    PathSpace paths{root.path()};
    FakeDesktop desktop;
    RecordingTrace trace;
    RecordingReporter errors;
    ShellLauncher launcher{paths, desktop, trace, errors};

    Fixture() {
        QDir(root.path()).mkpath(QStringLiteral("c/Docs"));
        QDir(root.path()).mkpath(QStringLiteral("c/Tools"));
        QFile(root.path() + QStringLiteral("/c/Docs/Notes.txt")).open(QIODevice::WriteOnly);
        QFile tool(root.path() + QStringLiteral("/c/Tools/Report.sh"));
        tool.open(QIODevice::WriteOnly);
        tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    qint32 open(const QString& verb, const QString& file, const QString& parameters = {},
                const QString& folder = {}) {
        return launcher.ExecuterProgrammeExterne(nullptr, verb, file, parameters, folder, 1);
    }
};

} // namespace

class TestShellLauncher : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shellCodeTable_data();
    void shellCodeTable();
    void missingFileIsTracedNotReported();
    void launch_data();
    void launch();
    void programsGetTheirParameters();
};

void TestShellLauncher::shellCodeTable_data() {
    QTest::addColumn<qint32>("code");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("description");
    const qint32 base = -2147220456; // code + 0x80040418
    const QString noApp = "Il n'y a aucune application associée à ce type de fichier";
    const QString busy = " Réessayez plus tard";
    QTest::newRow("0") << 0 << 7 << "Dépassement de mémoire";
    QTest::newRow("8") << 8 << 7 << "Dépassement de mémoire";
    QTest::newRow("2") << 2 << 53 << "Chemin d'accès non trouvé";
    QTest::newRow("3") << 3 << 76 << "Chemin d'accès non trouvé";
    QTest::newRow("26") << 26 << 75 << "Violation de partage: Erreur d'accès au Dossier/Fichier";
    QTest::newRow("11") << 11 << base + 11 << "Cet exécutable est invalide ou corrompu";
    QTest::newRow("27") << 27 << base + 27 << noApp;
    QTest::newRow("31") << 31 << base + 31 << noApp;
    QTest::newRow("28") << 28 << 286
                        << "Le fichier ne peut être ouvert car le délai d'attente est dépassé." +
                               busy;
    QTest::newRow("29") << 29 << 285
                        << "Le fichier ne peut être ouvert car la transaction DDE a échoué." + busy;
    QTest::newRow("30") << 30 << 285
                        << "Le fichier ne peut être ouvert car l'application est occupée." + busy;
    QTest::newRow("32") << 32 << 48 << "Le fichier dll ne peut être trouvé";
    QTest::newRow("4") << 4 << base + 4
                       << "Erreur à l'ouverture ou l'impression du fichier sélectionné";
}

void TestShellLauncher::shellCodeTable() {
    QFETCH(qint32, code);
    QFETCH(qint32, number);
    QFETCH(QString, description);
    const AppError e = ShellLauncher::shellCodeError(code);
    QCOMPARE(e.number, number);
    QCOMPARE(e.description, description);
    QCOMPARE(e.source, QStringLiteral("KZ3_Trelvo.ExecuterProgrammeExterne"));
}

void TestShellLauncher::missingFileIsTracedNotReported() {
    Fixture f;
    QCOMPARE(f.open(QStringLiteral("Open"), QStringLiteral("C:\\Docs\\Absent.txt")), 2);
    QCOMPARE(f.trace.messages(),
             QStringList{QStringLiteral("Err: 53: Chemin d'accès non trouvé: C:\\Docs\\Absent.txt "
                                        "|Source: Lib_Systeme:ExecuterProgrammeExterne:20")});
    QVERIFY(f.trace.incidents().isEmpty());
    QVERIFY(f.errors.empty());
    QVERIFY(f.desktop.calls.isEmpty());
}

void TestShellLauncher::launch_data() {
    QTest::addColumn<QString>("verb");
    QTest::addColumn<QString>("file");
    QTest::addColumn<Desktop::Launch>("desktop");
    QTest::addColumn<qint32>("code");
    QTest::addColumn<QString>("opened"); // below the root when it starts with "/"

    const QString notes = QStringLiteral("C:\\Docs\\Notes.txt");
    const auto started = Desktop::Launch::Started;
    const QString web = QStringLiteral("https://example.org/news?id=3");
    QTest::newRow("Open") << "Open" << notes << started << 42 << "/c/Docs/Notes.txt";
    QTest::newRow("any case") << "oPEN"
                              << "c:\\docs\\notes.TXT" << started << 42 << "/c/Docs/Notes.txt";
    QTest::newRow("no verb") << "" << notes << started << 42 << "/c/Docs/Notes.txt";
    QTest::newRow("web address") << "Open" << web << started << 42 << web;
    QTest::newRow("no launcher") << "Open" << notes << Desktop::Launch::NoApplication << 31
                                 << "/c/Docs/Notes.txt";
    QTest::newRow("unknown verb") << "print" << notes << started << 31 << "";
}

void TestShellLauncher::launch() {
    QFETCH(QString, verb);
    QFETCH(QString, file);
    QFETCH(Desktop::Launch, desktop);
    QFETCH(qint32, code);
    QFETCH(QString, opened);
    Fixture f;
    f.desktop.result = desktop;
    QCOMPARE(f.open(verb, file), code);
    QStringList targets;
    for (const FakeDesktop::Call& c : f.desktop.calls) {
        targets << c.target;
    }
    if (opened.startsWith(QLatin1Char('/'))) {
        opened.prepend(f.root.path());
    }
    QCOMPARE(targets, opened.isEmpty() ? QStringList() : QStringList{opened});
    QVERIFY(f.trace.lines().isEmpty());
    if (code == 31) {
        QCOMPARE(f.errors.reports().size(), 1);
        QCOMPARE(f.errors.reports().front().caller,
                 QStringLiteral("Lib_Systeme:ExecuterProgrammeExterne"));
        QCOMPARE(f.errors.reports().front().error.number, -2147220456 + 31);
    } else {
        QVERIFY(f.errors.empty());
    }
}

void TestShellLauncher::programsGetTheirParameters() {
    Fixture f;
    QCOMPARE(f.open(QStringLiteral("Open"), QStringLiteral("C:\\Tools\\Report.sh"),
                    QStringLiteral("/Close \"two words\""), QStringLiteral("C:\\Docs")),
             42);
    QCOMPARE(f.desktop.calls.size(), 1);
    const FakeDesktop::Call& c = f.desktop.calls.front();
    QVERIFY(c.program);
    QCOMPARE(c.target, f.root.path() + QStringLiteral("/c/Tools/Report.sh"));
    QCOMPARE(c.arguments, (QStringList{QStringLiteral("/Close"), QStringLiteral("two words")}));
    QCOMPARE(c.workingFolder, f.root.path() + QStringLiteral("/c/Docs"));
    // A working folder that does not exist is a path not found (76).
    QCOMPARE(f.open(QString(), QStringLiteral("C:\\Tools\\Report.sh"), QString(),
                    QStringLiteral("C:\\Nowhere")),
             3);
    QCOMPARE(f.errors.reports().size(), 1);
    QCOMPARE(f.errors.reports().front().error.number, 76);
}

QTEST_GUILESS_MAIN(TestShellLauncher)
#include "tst_shelllauncher.moc"
