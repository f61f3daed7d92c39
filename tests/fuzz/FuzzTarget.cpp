// One libFuzzer target; TUMBLERIX_FUZZ_CHECK names the check of FuzzChecks it runs.

#include "FuzzChecks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString problem = FuzzChecks::TUMBLERIX_FUZZ_CHECK(bytes);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "fuzz check failed: %s\n", problem.toUtf8().constData());
        std::abort();
    }
    return 0;
}
