#include "FakeDesktop.h"
#include "TraceLogFixture.h"
#include "log/LogFileViewer.h"

#include <QtTest>

namespace {
class ScriptedChooser final : public LogFileChooser {
public:
    std::optional<QString> answer;
    QString folder, filter, proposed;
    std::optional<QString> chooseLogFile(const QString& initialFolder, const QString& f,
                                         const QString& proposedFile) override {
        folder = initialFolder;
        filter = f;
        proposed = proposedFile;
        return answer;
    }
};
} // namespace

class TestLogFileViewer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opensChosenFileAfterWriting();
    void cancelOpensNothing();
};

void TestLogFileViewer::opensChosenFileAfterWriting() {
    TraceLogFixture f;
    f.p.state.PbBFrmSetupChargee = true;
    f.log.line(QStringLiteral("pending"));
    FakeDesktop desktop;
    ScriptedChooser chooser;
    chooser.answer = QStringLiteral("C:\\AudioLog\\Histo_KZ3_Trelvo\\20240131.Log");
    LogFileViewer viewer(f.log, f.listeLog, f.paths, desktop, &chooser);
    const QString folder = f.p.state.PbTParametresSite.Base[0].Dossier_Histo;
    viewer.LectureLog(folder, QString());

    QVERIFY(f.listeLog.isEmpty()); // pending lines written first
    QCOMPARE(f.fileLines(QStringLiteral("20240131")).size(), 10);
    QCOMPARE(chooser.folder, folder);
    QCOMPARE(chooser.filter, QStringLiteral("Logs|*.log"));
    QCOMPARE(chooser.proposed, folder + QStringLiteral("20240131.Log"));
    QCOMPARE(desktop.calls.size(), 1);
    QCOMPARE(desktop.calls.front().target, f.fileNative(QStringLiteral("20240131")));
}

void TestLogFileViewer::cancelOpensNothing() {
    TraceLogFixture f;
    FakeDesktop desktop;
    ScriptedChooser chooser;
    LogFileViewer viewer(f.log, f.listeLog, f.paths, desktop, &chooser);
    viewer.LectureLog(QStringLiteral("C:\\AudioLog\\"), QStringLiteral("x"));
    QCOMPARE(chooser.proposed, QStringLiteral("C:\\AudioLog\\x20240131.Log"));
    QVERIFY(desktop.calls.isEmpty());
    LogFileViewer headless(f.log, f.listeLog, f.paths, desktop, nullptr);
    headless.LectureLog(QStringLiteral("C:\\AudioLog\\"), QString());
    QVERIFY(desktop.calls.isEmpty());
}

QTEST_GUILESS_MAIN(TestLogFileViewer)
#include "tst_logfileviewer.moc"
