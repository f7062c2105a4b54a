// The player relay on arbitrary datagrams: the first byte picks the listener (and
// whether the message goes through the queue and the timer tick or straight to the
// dispatch), the rest is the datagram, read as Windows-1252.
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
    forgetFuzzInput(f);
    return 0;
}
