#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "device/loudnessbatch.h"
#include "device/tracklist.h"
#include "schedule/overlaps.h"

#include "app/tool/stdstreams.h"
#include <algorithm>
#include <cstdio>

// sigcfg-tool tracks [--tsv] FILE.vlpj: what each track file of the project holds, and which
// tracks are still playing when a later bell starts in the same zones; how loud each sounds, and
// which sounds much louder or quieter than the rest.
int RunTracks(const std::vector<std::string> &args)
{
    std::vector<std::string> rest = args;
    const auto tsvFlag = std::find(rest.begin(), rest.end(), "--tsv");
    const bool tsv = tsvFlag != rest.end();
    if (tsv)
        rest.erase(tsvFlag);
    if (!ExpectArgs(rest, 1, "tracks"))
        return 2;
    TToolProject &loaded = CommandProject();
    LoadExistingProject(rest[0], loaded);
    TTrackCache cache;
    const std::vector<TTrackRow> rows = InspectPlayList(loaded.Project, loaded.PlayList, cache);
    // Each distinct file measured once, on every core; the rest of the rows stay unmeasured.
    std::vector<std::string> paths;
    std::vector<size_t> measured;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].Info.Status == TTrackStatus::Ok) {
            paths.push_back(rows[i].Path);
            measured.push_back(i);
        }
    std::vector<TLoudness> loudness(rows.size());
    const std::vector<TLoudness> found = MeasureLoudnessOnCores(paths);
    for (size_t k = 0; k < measured.size(); ++k)
        loudness[measured[k]] = found[k];
    const std::vector<bool> outliers = LoudnessOutliers(loudness);
    const TOverlaps overlaps = FindOverlaps(loaded.Project, TrackDurations(rows));
    const auto problems = std::count_if(rows.begin(), rows.end(),
                                        [](const TTrackRow &row) { return row.Info.Status != TTrackStatus::Ok; });

    if (tsv) {
        ToolOut() << "track\tstatus\tseconds\tsample_rate\tchannels\tkbps\tpath\tlufs\ttrue_peak_dbtp\n";
        for (size_t i = 0; i < rows.size(); ++i) {
            const TTrackRow &row = rows[i];
            if (row.PlayListLine < 0)
                continue;
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%.3f", row.Info.Seconds);
            ToolOut() << row.Track << '\t' << TrackStatusWord(row.Info.Status) << '\t' << seconds << '\t'
                      << row.Info.SampleRate << '\t' << row.Info.Channels << '\t' << row.Info.Kbps << '\t' << row.Path
                      << '\t';
            if (loudness[i].Measured) {
                char levels[64];
                std::snprintf(levels, sizeof levels, "%.2f\t%.2f", loudness[i].Lufs, loudness[i].TruePeakDb);
                ToolOut() << levels;
            } else {
                ToolOut() << '\t';
            }
            ToolOut() << '\n';
        }
    } else {
        for (size_t i = 0; i < rows.size(); ++i) {
            const TTrackRow &row = rows[i];
            ToolOut() << "Трек " << row.Track << ": " << (row.Path.empty() ? "(нет файла)" : row.Path) << " — "
                      << TrackStatusText(row.Info);
            if (row.Info.Seconds > 0)
                ToolOut() << ", " << DurationText(row.Info.Seconds);
            const std::string format = TrackFormatText(row.Info);
            if (!format.empty())
                ToolOut() << ", " << format;
            if (loudness[i].Measured)
                ToolOut() << ", " << LoudnessText(loudness[i]);
            if (outliers[i])
                ToolOut() << ", " << LoudnessOutlierText;
            if (!row.Used && row.PlayListLine >= 0)
                ToolOut() << " (не используется в сценариях)";
            ToolOut() << '\n';
        }
        for (const TOverlap &overlap : overlaps.Listed)
            ToolOut() << OverlapText(loaded.Project, overlap) << '\n';
        if (const std::string more = MoreOverlapsText(overlaps); !more.empty())
            ToolOut() << more << '\n';
        ToolOut() << "Треков с ошибками: " << problems << ", наложений звука: " << overlaps.Total << '\n';
    }
    return problems == 0 && overlaps.Total == 0 ? 0 : 1;
}
