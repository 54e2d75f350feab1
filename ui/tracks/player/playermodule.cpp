// The audio player module: decodes with the core's decoder and plays through Qt Multimedia.
#include "ui/tracks/player/playerbackend.h"

#include "audio/trackdecoder.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QObject>

#include <exception>
#include <memory>

namespace {

// The sink pulls: each read decodes just as much as it asks for, so a long track costs no memory.
class TSource : public QIODevice
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

class TQtPlayer : public TPlayerBackend
{
public:
    TQtPlayer(TFinishedFn finished, void *context) : Finished(finished), Context(context) {}
    ~TQtPlayer() override { Release(); }

    std::string Play(const std::string &path) override
    {
        Stop();
        std::unique_ptr<TTrackDecoder> decoder;
        try {
            decoder = std::make_unique<TTrackDecoder>(path);
        } catch (const std::exception &e) {
            return e.what();
        }
        QAudioFormat format;
        format.setSampleRate(decoder->SampleRate());
        format.setChannelCount(decoder->Channels());
        format.setSampleFormat(QAudioFormat::Int16);
        const QAudioDevice output = QMediaDevices::defaultAudioOutput();
        if (output.isNull() || !output.isFormatSupported(format))
            return "Звуковой выход не воспроизводит формат файла " + path;
        Decoder = std::move(decoder);
        Source = std::make_unique<TSource>(*Decoder);
        Source->open(QIODevice::ReadOnly);
        Sink = std::make_unique<QAudioSink>(output, format);
        QObject::connect(Sink.get(), &QAudioSink::stateChanged, &Guard, [this](QAudio::State state) {
            // Idle: the source is drained and everything played; Stopped: an error or Stop.
            if (state == QAudio::IdleState || state == QAudio::StoppedState)
                QMetaObject::invokeMethod(
                    &Guard, [this] { Stop(); }, Qt::QueuedConnection);
        });
        Sink->start(Source.get());
        return {};
    }

    void Stop() override
    {
        if (Release())
            Finished(Context);
    }

    bool IsPlaying() const override { return Sink != nullptr; }

private:
    /// Ends playing without a word; true when something played.
    bool Release()
    {
        if (!Sink)
            return false;
        // The sink goes first: it must not read from a source that is gone.
        std::unique_ptr<QAudioSink> sink = std::move(Sink);
        sink->disconnect(&Guard);
        sink->stop();
        sink.reset();
        Source.reset();
        Decoder.reset();
        return true;
    }

    TFinishedFn Finished;
    void *Context;
    QObject Guard; // queued calls die with the player
    std::unique_ptr<TTrackDecoder> Decoder;
    std::unique_ptr<TSource> Source;
    std::unique_ptr<QAudioSink> Sink;
};

} // namespace

extern "C" __attribute__((visibility("default"))) TPlayerBackend *SigCreatePlayer(TFinishedFn finished, void *context)
{
    return new TQtPlayer(finished, context);
}

extern "C" __attribute__((visibility("default"))) bool SigHasAudioOutput()
{
    return !QMediaDevices::defaultAudioOutput().isNull();
}
