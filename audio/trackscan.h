#pragma once

#include "device/trackinfo.h"

/// The scan behind InspectTrack, done here with libmpg123; the programs reach it through the
/// audio module.
TTrackInfo ScanTrackFile(const std::string &path, const TTrackScanLimits &limits);
