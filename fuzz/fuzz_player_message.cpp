// Player message reading on arbitrary bytes: the first byte picks the listener and
// splits off a tag; the rest is the message, read as a datagram is (Windows-1252).
#include "base/ErrorReporter.h"
#include "base/TextFormat.h"
#include "relay/PlayerMessage.h"

#include <cstddef>
#include <cstdint>

namespace {
class DiscardReporter final : public ErrorReporter {
public:
    void report(const QString&, qint32, const AppError&) override {}
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 65536) {
        return 0;
    }
    DiscardReporter errors;
    const qint16 listener = qint16(data[0] % 4);
    const QString message =
        fromWindows1252(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    const QString tag = message.left(data[0] % 12);
    (void)ExtraireBalise(message, tag, QStringLiteral("d"), errors);
    (void)readUnitNumber(message);
    const PlayerCommand cmd = playerCommandFor(listener, message, errors);
    if (cmd.action == PlayerCommand::Action::Send) {
        (void)UTF8_Encode_System(cmd.commandToSend());
    }
    return 0;
}
