// Any byte sequence a datagram (or worse) can carry must be read without a fault:
// random and tag-shaped inputs up to 64 KiB, run under the sanitizers in CI.
#include "RecordingReporter.h"
#include "base/TextFormat.h"
#include "relay/PlayerMessage.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

const char* const Fragments[] = {"<SD4:", "<sd4:", "<NoSound4:", "<RDS:", "<Msg:", ">",   "<",
                                 ":",     " ",     "\t",         "\n",    "1",     "2.5", "-",
                                 "e9",    "&H",    "&O",         ".",     "PS",    "rt",  "\xff"};

QByteArray randomBytes(QRandomGenerator& rng, int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        bytes[i] = char(rng.bounded(256));
    }
    return bytes;
}

QByteArray tagShaped(QRandomGenerator& rng, int size) {
    QByteArray bytes;
    while (bytes.size() < size) {
        bytes += Fragments[rng.bounded(int(std::size(Fragments)))];
    }
    bytes.truncate(size);
    return bytes;
}

int sizeFor(QRandomGenerator& rng, int i) {
    // Mostly datagram-sized, some up to 64 KiB, and the 16-bit boundary itself.
    if (i % 50 == 0) {
        return 65536;
    }
    if (i % 50 == 1) {
        return 32767 + rng.bounded(3);
    }
    return i % 10 == 0 ? rng.bounded(65537) : rng.bounded(1100);
}

} // namespace

class TestPlayerMessageRobustness : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void anyBytesAreReadSafely();
};

void TestPlayerMessageRobustness::anyBytesAreReadSafely() {
    QRandomGenerator rng(20241209);
    RecordingReporter errors;
    const QString tags[] = {QStringLiteral("<SD4:"), QStringLiteral("<NoSound4:"),
                            QStringLiteral("<RDS:"), QStringLiteral("<Msg:")};
    for (int i = 0; i < 1500; ++i) {
        const int size = sizeFor(rng, i);
        const QByteArray bytes = (i % 2) ? randomBytes(rng, size) : tagShaped(rng, size);
        const QString message = fromWindows1252(bytes);
        for (const QString& tag : tags) {
            const QString value = ExtraireBalise(message, tag, QStringLiteral("d"), errors);
            QVERIFY(value.size() <= message.size() || value == QLatin1String("d"));
            (void)readUnitNumber(value);
        }
        // A tag made of the input itself, as a fuzzer would choose it.
        (void)ExtraireBalise(message, message.left(int(rng.bounded(8))), QString(), errors);
        (void)readUnitNumber(message);
        for (qint16 listener = 0; listener < 3; ++listener) {
            const PlayerCommand cmd = playerCommandFor(listener, message, errors);
            if (cmd.action == PlayerCommand::Action::Send) {
                QVERIFY(!cmd.commandToSend().isEmpty());
                (void)UTF8_Encode_System(cmd.commandToSend());
            }
        }
        errors.clear();
    }
}

QTEST_GUILESS_MAIN(TestPlayerMessageRobustness)
#include "tst_playermessage_robustness.moc"
