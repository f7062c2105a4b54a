// The player relay on arbitrary datagrams: the first byte picks the listener (and
// whether the message goes through the queue and the timer tick or straight to the
// dispatch), the rest is the datagram, read as Windows-1252. Whatever it holds, each
// line it puts on a unit's session is one command line: no CR or LF inside it.
#include "FuzzProgram.h"
#include "base/TextFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 65536) {
        return 0;
    }
    ProgramFixture& f = fuzzProgram();
    Program& p = f.program;
    const qint16 listener = qint16(data[0] % 10);
    const QString message =
        fromWindows1252(QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)));
    if (data[0] & 0x80) {
        p.playerQueues.ListeDataArrival[listener].addItem(message);
        p.dataArrival.TimerDataArrival_Timer();
    } else {
        p.dataArrival.UDPDataArrival(listener, message);
    }
    for (int unit = 0; unit < FrmSetup::NbSound4; ++unit) {
        for (const QByteArray& line : f.telnet(unit).sent) {
            const QByteArray body = line.endsWith("\r\n") ? line.chopped(2) : line;
            if (body.contains('\r') || body.contains('\n')) {
                __builtin_trap(); // a datagram made a second command line
            }
        }
    }
    forgetFuzzInput(f);
    return 0;
}
