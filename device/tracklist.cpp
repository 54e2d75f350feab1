#include "device/tracklist.h"

#include "device/sdcard.h"
#include "model/lib.h"

#include <algorithm>
#include <set>

namespace {

// One copy of each distinct result: a million lines of missing files share one "файл отсутствует".
class TSharedResults
{
public:
    std::shared_ptr<const TTrackInfo> Of(const TTrackInfo &info)
    {
        auto found = Results.find(info);
        if (found == Results.end())
            found = Results.emplace(std::make_shared<const TTrackInfo>(info)).first;
        return *found;
    }
    std::shared_ptr<const TTrackInfo> Missing(const char *reason)
    {
        TTrackInfo info;
        info.Status = TTrackStatus::Missing;
        info.Reason = reason;
        return Of(info);
    }

private:
    struct TLess
    {
        using is_transparent = void;
        bool operator()(const std::shared_ptr<const TTrackInfo> &a, const std::shared_ptr<const TTrackInfo> &b) const
        {
            return *a < *b;
        }
        bool operator()(const std::shared_ptr<const TTrackInfo> &a, const TTrackInfo &b) const { return *a < b; }
        bool operator()(const TTrackInfo &a, const std::shared_ptr<const TTrackInfo> &b) const { return a < *b; }
    };
    std::set<std::shared_ptr<const TTrackInfo>, TLess> Results;
};

} // namespace

std::vector<TTrackRow> InspectPlayList(const TProject &project, const std::vector<std::string> &playList,
                                       TTrackCache &cache)
{
    TSharedResults results;
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
        row.Info = row.Path.empty() ? results.Missing("путь к файлу не задан") : results.Of(cache.Inspect(row.Path));
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
        row.Info = results.Missing("трека нет в плейлисте");
        rows.push_back(std::move(row));
    }
    return rows;
}

void ProblemsFirst(std::vector<TTrackRow> &rows)
{
    std::stable_partition(rows.begin(), rows.end(),
                          [](const TTrackRow &row) { return row.Info->Status != TTrackStatus::Ok; });
}

std::map<int32_t, double> TrackDurations(const std::vector<TTrackRow> &rows)
{
    std::map<int32_t, double> durations;
    for (const TTrackRow &row : rows)
        if (row.PlayListLine >= 0 && row.Info->Status != TTrackStatus::Missing)
            durations[row.Track] = row.Info->Seconds;
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
