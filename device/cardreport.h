#pragma once

#include "device/cardplan.h"
#include "device/log.h"
#include "device/trackcopy.h"

#include <cstdint>
#include <string>

// The card copy's report, read from the card: each track the run planned is found new, old,
// absent or wrong by looking at what the card holds, never by what the copy meant to do.

class TCardFolder;
class TCardSources;
class TCardJournal;

/// "трек 1: на карте нет файла — звонок не прозвучит".
std::string AbsentTrackLine(int32_t track);

/// Reads the card folder again at the end of a run and sets each file's OnCard: New when the card
/// file is the copy this run verified or holds the source's bytes (or its remade track's), OldKept
/// when it is the file that was there before (or its verified put-back), Absent, or Wrong. A file
/// that is not New is not Copied. Logs one line per track the card does not hold as planned:
/// absent, old kept (for a copy that was due) or wrong.
void ReadBackCard(TCopyReport &report, const TCardPlan &plan, const TCardFolder &card, const TCardSources &sources,
                  const TCardJournal &journal, const TCopyVerify &verify, TLogSink &log);
