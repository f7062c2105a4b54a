// What a Sound4 unit writes, on arbitrary bytes: the first byte picks the unit and
// the awaited answers (login, player or console command, the three help listings),
// the second the size of the blocks the bytes arrive in.
#include "FuzzProgram.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 65536) {
        return 0;
    }
    ProgramFixture& f = fuzzProgram();
    ProgramState& st = f.program.state;
    const int unit = data[0] & 3;
    st.PbBSound4LoginPending[unit] = data[0] & 0x04;
    st.PbBSound4PlayerResult[unit] = data[0] & 0x08;
    st.PbBSound4TestResult[unit] = data[0] & 0x10;
    st.PbBSound4HelpListe[unit] = data[0] & 0x20;
    st.PbBSound4HelpSection[unit] = data[0] & 0x40;
    st.PbBSound4HelpDetail[unit] = data[0] & 0x80;
    const size_t block = size_t(data[1] % 64) + 1;
    FakeTelnetConnection& telnet = f.telnet(unit);
    telnet.setState(TelnetConnection::Connected);
    for (size_t at = 2; at < size; at += block) {
        telnet.arrive(QByteArray(reinterpret_cast<const char*>(data + at),
                                 qsizetype(std::min(block, size - at))));
    }
    // A closed connection drops its incomplete line; the next input starts afresh.
    telnet.setState(TelnetConnection::Closed);
    forgetFuzzInput(f);
    return 0;
}
