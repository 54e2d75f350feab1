#include "audio/mp3encode.h"

#include <lame/lame.h>

#include <memory>
#include <new>
#include <stdexcept>

std::string EncodeMonoMp3(const std::vector<float> &samples, int sampleRate, int kbps)
{
    const std::unique_ptr<lame_global_flags, int (*)(lame_global_flags *)> lame(lame_init(), lame_close);
    if (!lame)
        throw std::bad_alloc();
    lame_set_num_channels(lame.get(), 1);
    lame_set_mode(lame.get(), MONO);
    lame_set_in_samplerate(lame.get(), sampleRate);
    lame_set_out_samplerate(lame.get(), sampleRate);
    lame_set_brate(lame.get(), kbps);
    lame_set_quality(lame.get(), 2);
    if (lame_init_params(lame.get()) < 0)
        throw std::runtime_error("Кодер MP3 не принял параметры звука");

    std::string mp3;
    const size_t chunk = 8192;
    // The size lame's own documentation asks for: 1.25 times the samples plus 7200 bytes.
    std::vector<unsigned char> buffer(chunk * 5 / 4 + 7200);
    for (size_t at = 0; at < samples.size(); at += chunk) {
        const int count = static_cast<int>(std::min(chunk, samples.size() - at));
        const int bytes = lame_encode_buffer_ieee_float(lame.get(), samples.data() + at, nullptr, count, buffer.data(),
                                                        static_cast<int>(buffer.size()));
        if (bytes < 0)
            throw std::runtime_error("Кодер MP3 не смог сжать звук");
        mp3.append(reinterpret_cast<const char *>(buffer.data()), static_cast<size_t>(bytes));
    }
    const int bytes = lame_encode_flush(lame.get(), buffer.data(), static_cast<int>(buffer.size()));
    if (bytes > 0)
        mp3.append(reinterpret_cast<const char *>(buffer.data()), static_cast<size_t>(bytes));
    // The tag frame at the start carries the delay, padding and sample count; lame leaves room for it.
    const size_t tagBytes = lame_get_lametag_frame(lame.get(), buffer.data(), buffer.size());
    if (tagBytes > 0 && tagBytes <= mp3.size())
        mp3.replace(0, tagBytes, reinterpret_cast<const char *>(buffer.data()), tagBytes);
    return mp3;
}
