#pragma once

#include "device/log.h"
#include "model/type.h"

/// Logs one line per clash of scenario (group, scenario) with every other used scenario of
/// every used group, per common day; returns the number of lines written. Does not clear the log.
int CheckScenarioClashes(const TProject &project, int group, int scenario, TLogSink &log);

/// Clears the log, then writes the heading, every clash (both sides of each pair) and the total.
/// Returns the total.
int CheckProject(const TProject &project, TLogSink &log);
