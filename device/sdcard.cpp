#include "device/sdcard.h"

#include "model/codepage.h"
#include "model/lib.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace {

// Lower case of the letters a Windows-1251 text can hold (Latin, Latin-1, Cyrillic).
char32_t FoldCase(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    if (c >= 0x0410 && c <= 0x042F) // А..Я
        return c + 0x20;
    if (c >= 0x0400 && c <= 0x040F) // Ѐ..Џ, Ё among them
        return c + 0x50;
    if (((c >= 0x0460 && c <= 0x0481) || (c >= 0x048A && c <= 0x04BF)) && c % 2 == 0) // Ґ and the like
        return c + 1;
    return c;
}

// Byte length of the match of the folded pattern at text[i], 0 when it does not match there.
size_t MatchAt(std::string_view text, size_t i, const std::vector<char32_t> &pattern)
{
    size_t at = i;
    for (char32_t wanted : pattern) {
        if (at >= text.size())
            return 0;
        // A malformed byte reads as U+FFFD, which no pattern holds.
        if (FoldCase(DecodeUtf8(text, at)) != wanted)
            return 0;
    }
    return at - i;
}

} // namespace

std::string ReplaceIgnoringCase(std::string_view text, std::string_view pattern, std::string_view replacement)
{
    if (pattern.empty())
        return std::string(text);
    std::vector<char32_t> folded;
    for (size_t i = 0; i < pattern.size();)
        folded.push_back(FoldCase(DecodeUtf8(pattern, i)));
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (const size_t matched = MatchAt(text, i, folded)) {
            result.append(replacement);
            i += matched;
            continue;
        }
        const size_t start = i;
        DecodeUtf8(text, i);
        result.append(text.substr(start, i - start));
    }
    return result;
}

std::vector<int32_t> CollectTracks(const TProject &project)
{
    std::vector<int32_t> tracks;
    std::unordered_set<int32_t> seen{0}; // track 0 means "no file"
    ForEachUsedScenario(project, [&](int, int, const TScenario &scenario) {
        if (seen.insert(scenario.Track).second)
            tracks.push_back(scenario.Track);
    });
    std::sort(tracks.begin(), tracks.end());
    return tracks;
}

std::string TrackPath(const std::vector<std::string> &playList, int32_t track)
{
    for (const std::string &line : playList) {
        const size_t semicolon = line.find(';');
        if (semicolon == std::string::npos)
            continue;
        if (WholeTextInteger(std::string_view(line).substr(0, semicolon)) == track)
            return line.substr(semicolon + 1);
    }
    return {};
}

std::string TrackFileName(int32_t number)
{
    const std::string digits = std::to_string(number);
    if (number < 10)
        return "00" + digits;
    if (number < 100)
        return "0" + digits;
    return digits;
}

std::string CardFilePath(const std::string &target, int32_t number)
{
    return target + TrackFileName(number) + ".mp3";
}

std::string PlayListDialogLine(int32_t track, std::string_view path)
{
    std::string line(PlayListTrackTag);
    line += std::to_string(track);
    line += ' ';
    line += PlayListPathTag;
    line += path;
    return line;
}

TPlayListReview ReviewPlayList(const TProject &project, const std::vector<std::string> &playList)
{
    // Each used track shows the path of its first line, as TrackPath finds it; that line is what
    // its editor line stands for, and every line not so claimed is kept apart.
    const std::vector<int32_t> tracks = CollectTracks(project);
    std::unordered_map<int32_t, size_t> claimed; // track -> its first line
    for (int32_t track : tracks)
        claimed.emplace(track, playList.size());
    std::vector<bool> isClaimed(playList.size(), false);
    for (size_t i = 0; i < playList.size(); ++i) {
        const size_t semicolon = playList[i].find(';');
        if (semicolon == std::string::npos)
            continue;
        const auto found = claimed.find(WholeTextInteger(std::string_view(playList[i]).substr(0, semicolon)));
        if (found != claimed.end() && found->second == playList.size()) {
            found->second = i;
            isClaimed[i] = true;
        }
    }
    TPlayListReview review;
    for (int32_t track : tracks) {
        const size_t line = claimed.at(track);
        const std::string_view path = line < playList.size() ? TextAfter(playList[line], ";") : std::string_view();
        review.Used.push_back({PlayListDialogLine(track, path), std::to_string(track) + ";" + std::string(path)});
    }
    for (size_t i = 0; i < playList.size(); ++i) {
        if (isClaimed[i])
            continue;
        // Shown as the text before its first ";" and the text after it; a line without ";" is all number.
        const std::string_view line = playList[i];
        const size_t semicolon = line.find(';');
        std::string shown(PlayListTrackTag);
        shown += line.substr(0, semicolon);
        shown += ' ';
        shown += PlayListPathTag;
        if (semicolon != std::string_view::npos)
            shown += line.substr(semicolon + 1);
        review.Others.push_back({std::move(shown), playList[i]});
    }
    return review;
}

std::string PlayListLineFromDialog(std::string_view line)
{
    const std::string withoutTrack = ReplaceIgnoringCase(line, PlayListTrackTag, "");
    const std::string joined = ReplaceIgnoringCase(withoutTrack, " " + std::string(PlayListPathTag), ";");
    return std::string(TrimControl(joined));
}
