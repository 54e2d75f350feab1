#include "device/levelling.h"

#include "device/filekey.h"
#include "device/workpool.h"
#include "model/lib.h"

#include <condition_variable>
#include <exception>
#include <fcntl.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace {

// The limiter worked on the track resampled to a higher rate: said, since the operator may wonder
// why a low-rate track took longer.
std::string OversampledText(const TLevelledTrack &track)
{
    if (track.LimiterRate <= 0)
        return "";
    const int rate = track.LimiterRate;
    return " (пики сдержаны на " + (rate % 1000 ? DecibelText(rate / 1000.0) : std::to_string(rate / 1000)) + " кГц)";
}

} // namespace

std::string LevelledText(const TLevelledTrack &track)
{
    switch (track.Outcome) {
    case TLevelledTrack::Levelled:
        return "выровнен " + DecibelText(track.GainDb, true) + " дБ" + OversampledText(track);
    case TLevelledTrack::Missed:
        return std::string(NotLevelledNote) + ": получилось " + DecibelText(track.After.Lufs) + " LUFS" +
               OversampledText(track);
    case TLevelledTrack::AlreadyLevel:
        return "уже " + DecibelText(track.Before.Lufs) + " LUFS: как есть";
    case TLevelledTrack::Unmeasured:
        break;
    }
    return "громкость не измерить (тишина): как есть";
}

std::string TLevelLog::Summary(double targetLufs)
{
    const std::lock_guard lock(Lock);
    std::string text;
    for (const std::string &track : Tracks)
        text += (text.empty() ? "Громкость до " + DecibelText(targetLufs) + " LUFS: " : "; ") + track;
    return text;
}

namespace {

// One distinct file's levelling, done once for all the lines that name it.
struct TJob
{
    std::string Path;
    TFileKey Key;
    size_t Uses = 0; // lines still to take it
    bool Started = false, Done = false;
    TLevelledTrack Track;
    std::exception_ptr Error;
};

// Levels the distinct files of a playlist on worker threads in playlist order, no more than a few
// files ahead of the copy: each finished copy waits in a temporary file until its lines have taken it.
class TLevelAhead
{
public:
    TLevelAhead(double target, const std::vector<std::string> &playList) : Target(target)
    {
        std::map<TFileKey, size_t> known;
        for (const std::string &line : playList) {
            const std::string path(TextAfter(line, ";"));
            const std::optional<TFileKey> key = path.empty() ? std::nullopt : FileKeyOf(path);
            if (!key)
                continue;
            const auto [found, added] = known.emplace(*key, Jobs.size());
            if (added) {
                auto job = std::make_unique<TJob>();
                job->Path = path;
                job->Key = *key;
                Jobs.push_back(std::move(job));
            }
            ++Jobs[found->second]->Uses;
        }
        ByKey = std::move(known);
        const unsigned workers = std::min<size_t>(WorkerCount(), Jobs.size());
        for (unsigned i = 0; i < workers; ++i)
            Workers.emplace_back([this] { Work(); });
    }

    ~TLevelAhead()
    {
        {
            const std::lock_guard lock(Lock);
            Stopping = true;
        }
        Changed.notify_all();
        for (std::thread &worker : Workers)
            worker.join();
    }

    /// The levelling of the source open as fd: a worker's when it levelled this very file, else made here.
    TLevelledTrack Get(const std::string &source, int fd)
    {
        const std::optional<TFileKey> key = FileKeyOf(fd);
        std::unique_lock lock(Lock);
        const auto found = key ? ByKey.find(*key) : ByKey.end();
        if (found == ByKey.end()) {
            lock.unlock();
            return LevelTrack(fd, source, Target);
        }
        TJob &job = *Jobs[found->second];
        Taken = std::max(Taken, found->second + 1);
        Changed.notify_all();
        if (!job.Started) { // not reached yet by the workers: this thread does it
            job.Started = true;
            lock.unlock();
            Run(job, fd);
            lock.lock();
        }
        Changed.wait(lock, [&] { return job.Done; });
        TLevelledTrack track = job.Track;
        const std::exception_ptr error = job.Error;
        if (--job.Uses == 0)
            job.Track.Mp3.reset(); // its last line: the temporary file goes
        lock.unlock();
        if (error)
            std::rethrow_exception(error);
        return track;
    }

private:
    // Files levelled beyond the one the copy waits for: enough to keep every core busy, few enough
    // that the temporary files stay a handful.
    size_t Ahead() const { return 2 * Workers.size() + 1; }

    void Work()
    {
        std::unique_lock lock(Lock);
        for (;;) {
            Changed.wait(lock, [&] { return Stopping || (Next < Jobs.size() && Next < Taken + Ahead()); });
            if (Stopping)
                return;
            TJob &job = *Jobs[Next++];
            if (job.Started)
                continue;
            job.Started = true;
            lock.unlock();
            Run(job, -1);
            lock.lock();
        }
    }

    // Levels the job's file: from fd when given, else opened here and checked to be still the file
    // the job was made for (a card file the copy replaces may stand under its name by now).
    void Run(TJob &job, int fd)
    {
        TLevelledTrack track;
        std::exception_ptr error;
        try {
            const int own = fd >= 0 ? -1 : ::open(job.Path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 && (own < 0 || FileKeyOf(own) != job.Key)) {
                if (own >= 0)
                    ::close(own);
                error = std::make_exception_ptr(Stale());
            } else {
                try {
                    track = LevelTrack(fd >= 0 ? fd : own, job.Path, Target);
                } catch (...) {
                    error = std::current_exception();
                }
                if (own >= 0)
                    ::close(own);
            }
        } catch (...) {
            error = std::current_exception();
        }
        const std::lock_guard lock(Lock);
        job.Track = std::move(track);
        job.Error = error;
        job.Done = true;
        Changed.notify_all();
    }

    struct Stale : std::runtime_error
    {
        Stale() : std::runtime_error("") {}
    };

public:
    /// True when the worker found the job's file changed: the copy levels its own descriptor.
    static bool IsStale(const std::exception_ptr &error)
    {
        try {
            std::rethrow_exception(error);
        } catch (const Stale &) {
            return true;
        } catch (...) {
            return false;
        }
    }

private:
    const double Target;
    std::vector<std::unique_ptr<TJob>> Jobs;
    std::map<TFileKey, size_t> ByKey;
    std::mutex Lock;
    std::condition_variable Changed;
    size_t Next = 0;  // the next job a worker takes
    size_t Taken = 0; // jobs up to this one have been asked for by the copy
    bool Stopping = false;
    std::vector<std::thread> Workers;
};

} // namespace

TTrackRemakeFn LevellingRemake(double targetLufs, TLevelLog &log, const std::vector<std::string> &playList)
{
    auto ahead = std::make_shared<TLevelAhead>(targetLufs, playList);
    return [targetLufs, &log, ahead](const std::string &source, int32_t track, int fd) {
        TTrackRemake remake;
        try {
            TLevelledTrack levelled;
            try {
                levelled = ahead->Get(source, fd);
            } catch (...) {
                if (!TLevelAhead::IsStale(std::current_exception()))
                    throw;
                levelled = LevelTrack(fd, source, targetLufs);
            }
            remake.Note = LevelledText(levelled);
            remake.Remade = levelled.Mp3 != nullptr;
            if (remake.Remade) {
                remake.Fd = levelled.Mp3->Reopen();
                if (remake.Fd < 0)
                    throw std::runtime_error("выровненная копия не открывается");
            }
        } catch (const std::exception &error) {
            // A file that does not decode still goes to the card, as it would without levelling.
            remake.Note = std::string(NotLevelledNote) + ": " + error.what();
            remake.Remade = false;
        }
        const std::lock_guard lock(log.Lock);
        log.Tracks.push_back("трек " + std::to_string(track) + ": " + remake.Note);
        return remake;
    };
}
