#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

// What the card holds after a copy: each copy read back from the card itself and compared with
// its source, and the track-named files on the card that the playlist does not name.

/// Reads from an open card file as pread does; tests put a card that changes bytes here.
using TCardReadFn = std::function<ssize_t(int fd, void *buffer, size_t size, off_t offset)>;

/// Whether and how the card writer reads its copies back.
struct TCopyVerify
{
    bool Enabled = true;
    TCardReadFn Read; // empty: pread
};

/// 0 when the card file holds exactly the bytes of the open source (read from its start);
/// CauseDiffersAfterWrite when not, or the errno value of a failed read. The card file's pages are
/// flushed and dropped from the cache first, so the bytes compared are the ones the card returns.
int CompareWithCard(int source, const std::string &card, const TCardReadFn &read = {});

/// A hash of bytes (FNV-1a, 64 bits): tells a file from its remade track without keeping the track.
uint64_t Fingerprint(std::string_view bytes);
/// The size and Fingerprint of the file at path read whole, nothing when it can not be read.
std::optional<std::pair<uint64_t, uint64_t>> FileFingerprint(const std::string &path);

/// The regular files beside the card copies whose names look like track copies (the target's
/// name part, three or more digits, ".mp3" in any case) but that no playlist line with a path
/// would write; sorted by name.
std::vector<std::string> ExtraCardFiles(const std::vector<std::string> &playList, const std::string &target);

/// The log line of an extra file: "Файл '<path>' — лишний файл на карте".
std::string ExtraCardFileLine(const std::string &path);
