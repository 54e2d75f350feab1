#include "ui/tracks/loudnessscan.h"

#include "device/loudnessbatch.h"

#include <QThread>

#include <sys/stat.h>

TLoudnessScan::TStamp TLoudnessScan::StampOf(const std::string &path)
{
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0)
        return {-1, 0};
    return {info.st_size, int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

TLoudnessScan::~TLoudnessScan()
{
    if (Thread) {
        Stopping = true;
        Thread->wait();
        delete Thread;
    }
}

std::optional<TLoudness> TLoudnessScan::Known(const std::string &path, TStamp stamp) const
{
    const auto found = Entries.find(path);
    if (found == Entries.end() || found->second.first != stamp)
        return std::nullopt;
    return found->second.second;
}

void TLoudnessScan::Measure(const std::vector<std::string> &paths)
{
    std::vector<std::string> unknown;
    for (const std::string &path : paths)
        if (!Known(path, StampOf(path)))
            unknown.push_back(path);
    if (Thread)
        Waiting = std::move(unknown);
    else if (!unknown.empty())
        Start(std::move(unknown));
}

void TLoudnessScan::Start(std::vector<std::string> paths)
{
    Thread = QThread::create([this, paths = std::move(paths)] {
        // On every core, each distinct file once; a file's stamp is taken before it is measured.
        std::vector<TStamp> stamps;
        stamps.reserve(paths.size());
        for (const std::string &path : paths)
            stamps.push_back(StampOf(path));
        MeasureLoudnessOnCores(
            paths,
            [&](size_t index, const TLoudness &loudness) {
                // Posted to this object's thread; dropped if the object is gone by then. Unreadable
                // now: shown without a figure, the track's status says why.
                QMetaObject::invokeMethod(
                    this,
                    [this, path = paths[index], stamp = stamps[index], loudness] {
                        Entries[path] = {stamp, loudness};
                        emit Measured();
                    },
                    Qt::QueuedConnection);
            },
            &Stopping);
    });
    connect(Thread, &QThread::finished, this, [this] {
        Thread->deleteLater();
        Thread = nullptr;
        if (!Waiting.empty())
            Measure(std::exchange(Waiting, {}));
    });
    Thread->start();
}
