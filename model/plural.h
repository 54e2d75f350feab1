#pragma once

#include <cstdint>
#include <string>

/// A count with its noun in the Russian form that the number takes: one of "1 место", "2 места",
/// "5 мест" (forms given in that order: for 1, for 2, for 5). 11–14 take the third form.
std::string CountText(int64_t count, const char *one, const char *few, const char *many);
