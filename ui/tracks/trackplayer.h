#pragma once

#include <QObject>
#include <memory>
#include <string>

class TPlayerBackend;

/// Plays one track at a time through the default audio output, decoding as the output asks. The
/// playing itself is done by the player module, loaded on first use; without it nothing plays.
class TTrackPlayer : public QObject
{
    Q_OBJECT
public:
    explicit TTrackPlayer(QObject *parent = nullptr);
    ~TTrackPlayer() override;

    /// False where the system has no audio output: nothing can be played then.
    static bool HasAudioOutput();
    /// Stops what plays and starts path; throws TFileError when the file can not be decoded.
    void Play(const std::string &path);
    void Stop();
    bool IsPlaying() const;

signals:
    /// Playing ended: the track is over, it was stopped, or the output failed.
    void Finished();

private:
    std::unique_ptr<TPlayerBackend> Backend;
};
