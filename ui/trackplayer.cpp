#include "ui/trackplayer.h"

#include "device/trackdecoder.h"
#include "model/error.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

// The sink pulls: each read decodes just as much as it asks for, so a long track costs no memory.
class TTrackPlayer::TSource : public QIODevice
{
public:
    explicit TSource(TTrackDecoder &decoder) : Decoder(decoder) {}
    bool isSequential() const override { return true; }
    bool atEnd() const override { return Ended; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const size_t n = Decoder.Read(reinterpret_cast<unsigned char *>(data), static_cast<size_t>(maxSize));
        Ended = n == 0;
        return Ended ? -1 : qint64(n);
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    TTrackDecoder &Decoder;
    bool Ended = false;
};

TTrackPlayer::TTrackPlayer(QObject *parent) : QObject(parent) {}

TTrackPlayer::~TTrackPlayer()
{
    Stop();
}

bool TTrackPlayer::HasAudioOutput()
{
    return !QMediaDevices::defaultAudioOutput().isNull();
}

void TTrackPlayer::Play(const std::string &path)
{
    Stop();
    auto decoder = std::make_unique<TTrackDecoder>(path);
    QAudioFormat format;
    format.setSampleRate(decoder->SampleRate());
    format.setChannelCount(decoder->Channels());
    format.setSampleFormat(QAudioFormat::Int16);
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull() || !output.isFormatSupported(format))
        throw TFileError("Звуковой выход не воспроизводит формат файла " + path);
    Decoder = std::move(decoder);
    Source = std::make_unique<TSource>(*Decoder);
    Source->open(QIODevice::ReadOnly);
    Sink = std::make_unique<QAudioSink>(output, format);
    connect(Sink.get(), &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        // Idle: the source is drained and everything played; Stopped: an error or Stop.
        if (state == QAudio::IdleState || state == QAudio::StoppedState)
            QMetaObject::invokeMethod(this, &TTrackPlayer::Stop, Qt::QueuedConnection);
    });
    Sink->start(Source.get());
}

void TTrackPlayer::Stop()
{
    if (!Sink)
        return;
    // The sink goes first: it must not read from a source that is gone.
    std::unique_ptr<QAudioSink> sink = std::move(Sink);
    sink->disconnect(this);
    sink->stop();
    sink.reset();
    Source.reset();
    Decoder.reset();
    emit Finished();
}

bool TTrackPlayer::IsPlaying() const
{
    return Sink != nullptr;
}
