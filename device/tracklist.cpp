#include "device/tracklist.h"

#include "device/sdcard.h"
#include "model/lib.h"

#include <algorithm>
#include <set>

std::vector<TTrackRow> InspectPlayList(const TProject &project, const std::vector<std::string> &playList,
                                       TTrackCache &cache)
{
    const std::vector<int32_t> used = CollectTracks(project);
    const std::set<int32_t> usedSet(used.begin(), used.end());
    std::vector<TTrackRow> rows;
    rows.reserve(playList.size() + used.size()); // no doubling: a playlist can have a million lines
    std::set<int32_t> listed;
    for (size_t i = 0; i < playList.size(); ++i) {
        TTrackRow row;
        row.Track = LeadingNumber(playList[i]); // the number the card copy is named by
        row.Path = std::string(TextAfter(playList[i], ";"));
        row.PlayListLine = static_cast<int>(i);
        row.Used = usedSet.count(row.Track) > 0;
        if (row.Path.empty()) {
            row.Info.Status = TTrackStatus::Missing;
            row.Info.Reason = "путь к файлу не задан";
        } else {
            row.Info = cache.Inspect(row.Path);
        }
        if (row.Used)
            listed.insert(row.Track); // only the used tracks are looked up below: a small set
        rows.push_back(std::move(row));
    }
    for (int32_t track : used) {
        if (listed.count(track))
            continue;
        TTrackRow row;
        row.Track = track;
        row.Used = true;
        row.Info.Status = TTrackStatus::Missing;
        row.Info.Reason = "трека нет в плейлисте";
        rows.push_back(std::move(row));
    }
    return rows;
}

void ProblemsFirst(std::vector<TTrackRow> &rows)
{
    std::stable_partition(rows.begin(), rows.end(),
                          [](const TTrackRow &row) { return row.Info.Status != TTrackStatus::Ok; });
}

std::map<int32_t, double> TrackDurations(const std::vector<TTrackRow> &rows)
{
    std::map<int32_t, double> durations;
    for (const TTrackRow &row : rows)
        if (row.PlayListLine >= 0 && row.Info.Status != TTrackStatus::Missing)
            durations[row.Track] = row.Info.Seconds;
    std::erase_if(durations, [](const auto &entry) { return !(entry.second > 0); });
    return durations;
}

std::vector<std::string> CopyProblemLines(const std::vector<std::string> &playList, TTrackCache &cache)
{
    std::vector<std::string> lines;
    for (const std::string &line : playList) {
        const std::string path(TextAfter(line, ";"));
        if (path.empty())
            continue; // the copy passes over it without a word
        const TTrackInfo &info = cache.Inspect(path);
        if (info.Status != TTrackStatus::Ok)
            lines.push_back("Трек " + std::to_string(LeadingNumber(line)) + ": файл '" + path + "' — " +
                            TrackStatusText(info));
    }
    return lines;
}

int32_t FirstFreeTrack(const std::vector<std::string> &playList)
{
    std::vector<bool> taken(1000, false);
    for (const std::string &line : playList)
        if (const int32_t track = LeadingNumber(line); track >= 1 && track <= 999)
            taken[track] = true;
    for (int32_t track = 1; track <= 999; ++track)
        if (!taken[track])
            return track;
    return 0;
}
