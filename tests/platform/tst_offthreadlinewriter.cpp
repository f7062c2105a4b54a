#include "platform/OffThreadLineWriter.h"

#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

// Lines to a descriptor that may stop being read: the writer never waits on it.
class TestOffThreadLineWriter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void linesArriveInOrder() {
        int fds[2];
        QCOMPARE(::pipe(fds), 0);
        {
            OffThreadLineWriter writer(fds[1], 100);
            for (int i = 0; i < 50; ++i) {
                writer.write("line " + QByteArray::number(i));
            }
            QVERIFY(writer.flush(10000));
            QCOMPARE(writer.dropped(), quint64(0));
        }
        ::close(fds[1]);
        QByteArray all;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
            all.append(buffer, n);
        }
        ::close(fds[0]);
        QList<QByteArray> lines = all.split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        QCOMPARE(lines.size(), 50);
        QCOMPARE(lines.first(), QByteArray("line 0"));
        QCOMPARE(lines.last(), QByteArray("line 49"));
    }

    // A pipe that nobody reads: writing goes on, the excess is dropped and counted,
    // and once the reader reads again the loss is told.
    void aReaderThatStallsCostsLinesNotTime() {
        int fds[2];
        QCOMPARE(::pipe(fds), 0);
        OffThreadLineWriter writer(fds[1], 1000, "dropped: ");
        const QByteArray line(200, 'x');
        for (int i = 0; i < 20000; ++i) {
            writer.write(line); // far beyond a pipe's 64 KiB and the queue
        }
        QVERIFY(writer.dropped() > 0);
        const quint64 dropped = writer.dropped();

        QByteArray all;
        char buffer[65536];
        const int flags = ::fcntl(fds[0], F_GETFL);
        ::fcntl(fds[0], F_SETFL, flags | O_NONBLOCK);
        for (int i = 0; i < 400 && !all.contains("dropped: "); ++i) {
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n > 0) {
                all.append(buffer, n);
            } else {
                QTest::qWait(10);
            }
        }
        QVERIFY(all.contains("dropped: " + QByteArray::number(dropped) + "\n"));
        ::close(fds[0]); // the writer's last lines fail quietly
        writer.flush(1000);
        ::close(fds[1]);
    }
};

QTEST_GUILESS_MAIN(TestOffThreadLineWriter)
#include "tst_offthreadlinewriter.moc"
