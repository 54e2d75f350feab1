#include "device/cardsummary.h"

#include "device/sdcard.h"
#include "device/trackcopy.h"
#include "device/trackverify.h"
#include "model/lib.h"
#include "storage/fileio.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

// A list of track numbers, cut short so that a broken playlist can not make an endless line.
std::string TrackList(const std::vector<int32_t> &tracks)
{
    constexpr size_t shown = 20;
    std::string text;
    for (size_t i = 0; i < tracks.size() && i < shown; ++i)
        text += (i ? ", " : "") + std::to_string(tracks[i]);
    if (tracks.size() > shown)
        text += " и ещё " + std::to_string(tracks.size() - shown);
    return text;
}

} // namespace

TCardTarget CheckCardTarget(std::string_view typed)
{
    const std::string text(TrimControl(typed));
    if (text.empty())
        return {{}, "Не указана папка для записи на SD-Карту: ничего не скопировано"};
    if (text.front() != '/')
        return {{}, "Папка '" + text + "' указана не полным путём (от «/»): ничего не скопировано"};
    std::error_code error;
    const fs::file_status status = fs::status(text, error);
    if (!fs::exists(status))
        return {{}, "Папка '" + text + "' не найдена: ничего не скопировано"};
    if (!fs::is_directory(status))
        return {{}, "'" + text + "' не папка: ничего не скопировано"};
    return {text.back() == '/' ? text : text + "/", {}};
}

std::string NoFileLine(int32_t track)
{
    return "Трек " + std::to_string(track) + ": нет файла";
}

std::vector<int32_t> TracksWithoutFile(const TProject &project, const std::vector<std::string> &playList)
{
    std::vector<int32_t> withFile;
    for (const std::string &line : playList) {
        const std::string path(TextAfter(line, ";"));
        if (!path.empty() && FileExists(path))
            withFile.push_back(LeadingNumber(line));
    }
    std::vector<int32_t> missing;
    for (int32_t track : CollectTracks(project))
        if (std::find(withFile.begin(), withFile.end(), track) == withFile.end())
            missing.push_back(track);
    return missing;
}

std::vector<int32_t> LogTracksWithoutFile(const TProject &project, const std::vector<std::string> &playList,
                                          TLogSink &log)
{
    std::vector<int32_t> missing = TracksWithoutFile(project, playList);
    for (int32_t track : missing)
        log.AddLog(NoFileLine(track));
    return missing;
}

std::vector<std::string> PlayListNumberProblems(const std::vector<std::string> &playList)
{
    std::vector<std::string> problems;
    std::map<int32_t, std::vector<size_t>> linesOf;
    for (size_t i = 0; i < playList.size(); ++i) {
        const std::string &line = playList[i];
        if (TextAfter(line, ";").empty())
            continue;
        const std::string typed(TrimControl(std::string_view(line).substr(0, line.find(';'))));
        const std::string where = "строка " + std::to_string(i + 1) + ": номер трека ";
        const size_t digits = typed.find_first_not_of("+-") == 1 ? 1 : 0;
        if (typed.size() == digits || typed.find_first_not_of("0123456789", digits) != std::string::npos) {
            problems.push_back(where + (typed.empty() ? "не указан" : "«" + typed + "» — не целое число"));
            continue;
        }
        const int64_t track = LeadingNumber64(typed);
        if (track < 1 || track > 999) {
            problems.push_back(where + typed + " — вне диапазона 1–999");
            continue;
        }
        linesOf[int32_t(track)].push_back(i + 1);
    }
    for (const auto &[track, lines] : linesOf) {
        if (lines.size() < 2)
            continue;
        std::string text = "трек " + std::to_string(track) + " указан " +
                           (lines.size() == 2 ? std::string("дважды") : std::to_string(lines.size()) + " раза") +
                           ": строки ";
        for (size_t i = 0; i < lines.size(); ++i)
            text += (i == 0 ? "" : i + 1 == lines.size() ? " и " : ", ") + std::to_string(lines[i]);
        problems.push_back(text);
    }
    return problems;
}

std::vector<std::string> CardMismatchLines(const TProject &project, const std::vector<std::string> &playList,
                                           const std::string &folder)
{
    // Tracks the copy wrote, and those that should have a file but got none this time.
    std::set<int32_t> written, stale;
    for (const std::string &line : playList) {
        const std::string source(TextAfter(line, ";"));
        if (!source.empty())
            (FileExists(source) ? written : stale).insert(LeadingNumber(line));
    }
    for (int32_t track : TracksWithoutFile(project, playList))
        stale.insert(track);
    std::vector<std::string> lines;
    std::set<std::string> staleFiles;
    for (int32_t track : stale) {
        const std::string path = CardFilePath(folder, track);
        if (written.count(track) || !FileExists(path))
            continue;
        staleFiles.insert(path);
        lines.push_back("Файл '" + path + "' — на карте осталась старая запись трека " + std::to_string(track));
    }
    for (const std::string &extra : ExtraCardFiles(playList, folder))
        if (!staleFiles.count(extra))
            lines.push_back(ExtraCardFileLine(extra));
    return lines;
}

std::string TCopySummary::Text() const
{
    std::string text = "Скопировано " + std::to_string(Copied) + " из " + std::to_string(Total);
    if (!NotCopied.empty())
        text += "; не скопированы треки: " + TrackList(NotCopied);
    if (!NoFile.empty())
        text += "; нет файла у треков: " + TrackList(NoFile);
    if (!Absent.empty())
        text += "; на карте нет файла у треков: " + TrackList(Absent);
    return text;
}

TCopySummary SummarizeCopy(const TCopyReport &report, std::vector<int32_t> noFile)
{
    TCopySummary summary;
    summary.NoFile = std::move(noFile);
    const auto once = [](std::vector<int32_t> &tracks, int32_t track) {
        if (std::find(tracks.begin(), tracks.end(), track) == tracks.end())
            tracks.push_back(track);
    };
    for (const TCopyResult &file : report.Files) {
        ++summary.Total;
        if (file.Outcome == TCopyResult::Copied && file.OnCard == TCopyResult::New)
            ++summary.Copied;
        else
            once(summary.NotCopied, file.Track);
        if (file.OnCard == TCopyResult::Absent)
            once(summary.Absent, file.Track);
    }
    return summary;
}
