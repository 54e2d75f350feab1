#pragma once

#include "device/sounds.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QThread;

/// Measures the loudness of track files away from the window's thread, on every core, so the tracks window stays
/// responsive over a long playlist, and keeps each result while its file stays the same (size and
/// modification time), as the track inspection does.
class TLoudnessScan : public QObject
{
    Q_OBJECT
public:
    /// A file's size and modification time (ns); {-1, 0} when it can not be looked at.
    using TStamp = std::pair<int64_t, int64_t>;
    static TStamp StampOf(const std::string &path);

    explicit TLoudnessScan(QObject *parent = nullptr) : QObject(parent) {}
    /// Stops after the file being measured.
    ~TLoudnessScan() override;

    /// What was measured of path while it had stamp; nothing when not yet.
    std::optional<TLoudness> Known(const std::string &path, TStamp stamp) const;
    /// Measures the files not known yet, each distinct file once; a list given while one is measured
    /// waits, and a newer list replaces a waiting one.
    void Measure(const std::vector<std::string> &paths);
    bool Running() const { return Thread != nullptr; }

signals:
    /// One more file is known.
    void Measured();

private:
    void Start(std::vector<std::string> paths);

    std::map<std::string, std::pair<TStamp, TLoudness>> Entries;
    std::vector<std::string> Waiting;
    QThread *Thread = nullptr;
    std::atomic<bool> Stopping = false;
};
