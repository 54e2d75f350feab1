#pragma once

#include "device/log.h"
#include "device/trackverify.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The copy stage of the card writer: every playlist file onto the card under its track name.

/// Where a copy run stands, for a progress display.
struct TCopyProgress
{
    size_t FileIndex = 0; // 1-based, among the lines that name a file
    size_t FileCount = 0;
    std::string Source;
    std::string Target;
    uint64_t BytesDone = 0;
    uint64_t BytesTotal = 0;
};

using TCopyProgressFn = std::function<void(const TCopyProgress &)>;

/// The log line written when the operator stops a run.
inline constexpr const char *CopyStoppedLine = "Копирование остановлено оператором";

/// The card file of a playlist line's track: target, then the track's file name, then ".mp3".
/// The target is a plain prefix: no separator is inserted.
std::string CardFilePath(const std::string &target, int32_t number);

/// Copies the file of every playlist line that has a path to target + TrackFileName + ".mp3",
/// logging one line per file ("отсутствует", "скопирован в", "не скопирован в"); lines without
/// a path are skipped silently. Each copy goes to a temporary beside its target, is flushed to
/// the disk and renamed over it; a failed copy leaves the old file as it was and no temporary.
/// "скопирован" is logged once the copy is on the disk. When stop is set, the run ends before the next file with
/// CopyStoppedLine. With verify enabled, each copy is read back from the card once it is there and
/// compared with its source; one that differs is logged "не совпадает после записи" instead and
/// counts as not copied. True when every line with a path was copied.
bool CopyTracks(const std::vector<std::string> &playList, const std::string &target, TLogSink &log,
                const TCopyProgressFn &progress = {}, const std::atomic<bool> *stop = nullptr,
                const TCopyVerify &verify = {});
