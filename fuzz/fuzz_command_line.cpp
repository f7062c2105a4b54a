// The station switches of the command line, on arbitrary text.
#include "FakeInstanceLock.h"
#include "FuzzProgram.h"
#include "base/TextFormat.h"
#include "shell/Startup.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) {
        return 0;
    }
    ProgramFixture& f = fuzzProgram();
    static FakeInstanceLock lock;
    static Startup startup = [&f] {
        Startup s(f.program, lock);
        // A "/Wait=" of up to 24 days would keep the fuzzer on one input.
        s.setStopRequested([] { return true; });
        return s;
    }();
    const QString line =
        fromWindows1252(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    startup.AnalyseChaineCommand(line);
    const qint16 instance = f.program.state.PbINoInstance;
    if (instance < 0 || instance > 10) {
        std::abort();
    }
    forgetFuzzInput(f);
    return 0;
}
