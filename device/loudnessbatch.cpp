#include "device/loudnessbatch.h"

#include "device/filekey.h"
#include "device/workpool.h"

#include <map>

std::vector<TLoudness> MeasureLoudnessOnCores(const std::vector<std::string> &paths, const TLoudnessFn &each,
                                              const std::atomic<bool> *stop)
{
    // The distinct files, each with every index that names it; a path that can not be looked at is a
    // file of its own (the measure names what is wrong).
    std::map<TFileKey, size_t> known;
    std::vector<std::vector<size_t>> files;
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::optional<TFileKey> key = FileKeyOf(paths[i]);
        if (!key) {
            files.push_back({i});
            continue;
        }
        const auto [found, added] = known.emplace(*key, files.size());
        if (added)
            files.emplace_back();
        files[found->second].push_back(i);
    }
    std::vector<TLoudness> results(paths.size());
    ForEachOnCores(files.size(), [&](size_t file) {
        const std::vector<size_t> &indices = files[file];
        TLoudness loudness;
        if (!stop || !stop->load()) {
            try {
                loudness = MeasureTrackLoudness(paths[indices.front()]);
            } catch (const std::exception &) {
                // Unreadable or changed since: left unmeasured, its status says why.
            }
        }
        for (const size_t index : indices) {
            results[index] = loudness; // each index belongs to one file: no two threads write one slot
            if (each)
                each(index, loudness);
        }
    });
    return results;
}
