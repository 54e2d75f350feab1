#include "audio/mp3encode.h"

#include <lame/lame.h>

#include "model/cause.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <stdexcept>
#include <unistd.h>

struct TMp3Encoder::TState
{
    lame_global_flags *Lame = nullptr;
    int Channels = 1;
    int OutFd = -1;
    std::string Mp3; // when OutFd is -1
    uint64_t Written = 0;
    std::vector<unsigned char> Buffer;
    std::vector<float> Left, Right;

    ~TState() { lame_close(Lame); }

    void Put(const unsigned char *bytes, size_t count)
    {
        if (OutFd < 0) {
            Mp3.append(reinterpret_cast<const char *>(bytes), count);
            return;
        }
        for (size_t done = 0; done < count;) {
            const ssize_t n = ::write(OutFd, bytes + done, count - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw std::runtime_error("Не удаётся записать выровненную копию: " + CauseText(errno));
            done += size_t(n);
        }
        Written += count;
    }
};

namespace {

// Frames handed to the encoder at once; the output buffer is sized for it as lame's documentation
// asks: 1.25 times the samples plus 7200 bytes.
constexpr size_t Chunk = 8192;

} // namespace

TMp3Encoder::TMp3Encoder(int channels, int sampleRate, int kbps, TMp3Speed speed, int outFd)
    : State(std::make_unique<TState>())
{
    State->Lame = lame_init();
    if (!State->Lame)
        throw std::bad_alloc();
    lame_global_flags *lame = State->Lame;
    State->Channels = channels;
    State->OutFd = outFd;
    lame_set_num_channels(lame, channels);
    // Joint stereo codes what both channels share once; plain stereo spends a quarter less time
    // deciding, and is kept for sources that chose it.
    lame_set_mode(lame, channels == 1 ? MONO : speed == TMp3Speed::FastPlainStereo ? STEREO : JOINT_STEREO);
    lame_set_in_samplerate(lame, sampleRate);
    lame_set_out_samplerate(lame, sampleRate);
    lame_set_brate(lame, kbps);
    // Quality 7 takes a quarter of the time of 2; a re-encoded track has no detail left that the
    // slower search would find.
    lame_set_quality(lame, speed == TMp3Speed::Best ? 2 : 7);
    // The Info frame in front: players take the encoder's delay and padding off by it, so a copy
    // decodes to exactly as many samples as went in.
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0)
        throw std::runtime_error("Кодер MP3 не принял параметры звука");
    State->Buffer.resize(Chunk * 5 / 4 + 7200);
}

TMp3Encoder::~TMp3Encoder() = default;

void TMp3Encoder::Add(const float *interleaved, size_t frames)
{
    TState &s = *State;
    while (frames > 0) {
        const size_t n = std::min(frames, Chunk);
        const float *left = interleaved, *right = nullptr;
        if (s.Channels == 2) {
            s.Left.resize(n);
            s.Right.resize(n);
            for (size_t i = 0; i < n; ++i) {
                s.Left[i] = interleaved[2 * i];
                s.Right[i] = interleaved[2 * i + 1];
            }
            left = s.Left.data();
            right = s.Right.data();
        }
        const int bytes = lame_encode_buffer_ieee_float(s.Lame, left, right, static_cast<int>(n), s.Buffer.data(),
                                                        static_cast<int>(s.Buffer.size()));
        if (bytes < 0)
            throw std::runtime_error("Кодер MP3 не смог сжать звук");
        s.Put(s.Buffer.data(), static_cast<size_t>(bytes));
        interleaved += n * s.Channels;
        frames -= n;
    }
}

std::string TMp3Encoder::Finish()
{
    TState &s = *State;
    const int bytes = lame_encode_flush(s.Lame, s.Buffer.data(), static_cast<int>(s.Buffer.size()));
    if (bytes > 0)
        s.Put(s.Buffer.data(), static_cast<size_t>(bytes));
    // The tag frame at the start carries the delay, padding and sample count; lame leaves room for it.
    const size_t tagBytes = lame_get_lametag_frame(s.Lame, s.Buffer.data(), s.Buffer.size());
    if (s.OutFd < 0) {
        if (tagBytes > 0 && tagBytes <= s.Mp3.size())
            s.Mp3.replace(0, tagBytes, reinterpret_cast<const char *>(s.Buffer.data()), tagBytes);
        return std::move(s.Mp3);
    }
    if (tagBytes > 0 && tagBytes <= s.Written &&
        ::pwrite(s.OutFd, s.Buffer.data(), tagBytes, 0) != static_cast<ssize_t>(tagBytes))
        throw std::runtime_error("Не удаётся записать выровненную копию: " + CauseText(errno));
    return {};
}

std::string EncodeMonoMp3(const std::vector<float> &samples, int sampleRate, int kbps)
{
    TMp3Encoder encoder(1, sampleRate, kbps);
    encoder.Add(samples.data(), samples.size());
    return encoder.Finish();
}

int StandardBitrateAtLeast(int kbps, int sampleRate)
{
    // MPEG-1 Layer III above 24 kHz; MPEG-2 and 2.5 below.
    static constexpr int High[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static constexpr int Low[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    const auto &rates = sampleRate > 24000 ? High : Low;
    for (const int rate : rates)
        if (rate >= kbps)
            return rate;
    return rates[std::size(rates) - 1];
}

int GaplessBitrateAtLeast(int kbps, int sampleRate, int channels)
{
    // lame writes its tag into the first frame, which has the stream's bitrate: 156 bytes of tag after
    // the header and side information, or no tag at all (8 kHz at 16 kbit/s, 22.05 kHz at 48).
    const bool mpeg1 = sampleRate > 24000;
    const int sideInfo = 4 + (mpeg1 ? (channels == 1 ? 17 : 32) : (channels == 1 ? 9 : 17));
    int rate = StandardBitrateAtLeast(kbps, sampleRate);
    while ((mpeg1 ? 144000 : 72000) * rate / sampleRate < sideInfo + 156 && rate < 160)
        rate = StandardBitrateAtLeast(rate + 1, sampleRate);
    return rate;
}
