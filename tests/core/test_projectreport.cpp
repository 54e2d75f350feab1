// The reader's report against the writer, by generated cases: valid projects are written, their
// values mutated at random, and each mutant read and written back; every line the written file
// does not hold as the mutant had it must be named in the report (tests/support/projectmutants.h).
#include "tests/support/projectmutants.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace {

using namespace projectmutants;

int MutantCount()
{
    const char *count = std::getenv("SIG_PROPERTY_MUTANTS");
    return count != nullptr ? std::max(1, std::atoi(count)) : 5000;
}

} // namespace

TEST(ProjectFileReport, EveryValueTheWriterWouldChangeIsNamed)
{
    std::mt19937 rng(20261208);
    const TPick pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    TMutator mutator(pick);
    const int count = MutantCount();
    int checked = 0, differing = 0, changed = 0;
    for (int m = 0; m < count; ++m) {
        TKeyLines mutant = RandomProject(pick);
        mutator.Mutate(mutant);
        const TVerdict verdict = Judge(mutant);
        checked += verdict.Checked ? 1 : 0;
        differing += verdict.Changed > 0 ? 1 : 0;
        if (!verdict.Unnamed.empty()) {
            ADD_FAILURE() << "mutant " << m << ": changed without a word:\n"
                          << verdict.Unnamed << "file:\n"
                          << Cp1251ToUtf8(FileOf(mutant));
            if (++changed == 3)
                break;
        }
    }
    // Nearly every mutant is judged, and many change something: the oracle is not idle.
    EXPECT_GT(checked, count * 9 / 10);
    EXPECT_GT(differing, count / 3);
}
