#pragma once

// What the core tests share: a scratch folder, a way to make writes fail part-way, and the
// check that an operation fails with the text the operator reads.

#include "model/type.h"
#include "storage/projectfile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TTempFolder
{
public:
    TTempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "sigtest-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        Path = pattern;
    }
    ~TTempFolder() { std::filesystem::remove_all(Path); }
    TTempFolder(const TTempFolder &) = delete;
    TTempFolder &operator=(const TTempFolder &) = delete;

    std::string File(const std::string &name) const { return (Path / name).string(); }
    long Entries() const
    {
        return std::distance(std::filesystem::directory_iterator(Path), std::filesystem::directory_iterator());
    }

    std::filesystem::path Path;
};

/// While it lives, a file can not grow past bytes: a write stops part-way as on a full card,
/// which binds root as well (permission bits would not).
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &Old);
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = Old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &Old);
        std::signal(SIGXFSZ, OldHandler);
    }
    TFileSizeLimit(const TFileSizeLimit &) = delete;
    TFileSizeLimit &operator=(const TFileSizeLimit &) = delete;

private:
    rlimit Old{};
    void (*OldHandler)(int) = nullptr;
};

/// run must throw TError whose text is exactly message.
template <typename TError, typename TRun> void ExpectError(TRun &&run, const std::string &message)
{
    try {
        run();
        ADD_FAILURE() << "no error, expected: " << message;
    } catch (const TError &error) {
        EXPECT_EQ(std::string(error.what()), message);
    }
}

/// Marks group g and its slot s used, with the given track.
inline void AddScenario(TProject &project, int g, int s, int32_t track)
{
    project.Groups[g].Used = true;
    project.Groups[g].Scenarios[s].Used = true;
    project.Groups[g].Scenarios[s].Track = track;
}

/// A used scenario of a test project: group, slot, time and days; its track, and zones of its group.
struct TBellSpec
{
    int G, S, Hour, Minute;
    std::vector<int> Days;
    int Track = 1;
    std::vector<int> Zones = {};
};

/// A project of those scenarios on the given device type, each named "s<group><slot>".
inline TProject ProjectOf(int deviceType, const std::vector<TBellSpec> &bells)
{
    TProject project;
    project.DeviceType = deviceType;
    for (const TBellSpec &bell : bells) {
        TGroup &group = project.Groups[bell.G];
        group.Used = true;
        for (int z : bell.Zones)
            group.Zones[z] = true;
        TScenario &scenario = group.Scenarios[bell.S];
        scenario.Used = true;
        scenario.Name = "s" + std::to_string(bell.G) + std::to_string(bell.S);
        scenario.Hour = bell.Hour;
        scenario.Minute = bell.Minute;
        scenario.Track = bell.Track;
        for (int d : bell.Days)
            scenario.Days[d] = true;
    }
    return project;
}

/// The entries of a skipped list as "key: reason", for comparing with a list of texts.
inline std::vector<std::string> SkippedLines(const std::vector<TSkippedEntry> &skipped)
{
    std::vector<std::string> lines;
    for (const TSkippedEntry &entry : skipped)
        lines.push_back(entry.Key + ": " + entry.Reason);
    return lines;
}
