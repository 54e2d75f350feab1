// The reader's report on mutants of valid project files, the fuzzer's bytes choosing the project and
// its mutations: a line the written file changes without a word in the report is a finding.
#include "tests/support/projectmutants.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace projectmutants;
    FuzzedDataProvider bytes(data, size);
    const TPick pick = [&](int low, int high) { return bytes.ConsumeIntegralInRange(low, high); };
    TKeyLines mutant = RandomProject(pick);
    TMutator(pick).Mutate(mutant);
    if (!Judge(mutant).Unnamed.empty())
        __builtin_trap();
    return 0;
}
