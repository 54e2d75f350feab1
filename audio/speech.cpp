#include "audio/speech.h"

#include "audio/belltone.h"
#include "audio/limiter.h"
#include "model/cause.h"
#include "model/error.h"

#include <espeak-ng/espeak_ng.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numeric>

namespace {

// eSpeak NG keeps one global voice and output: one synthesis at a time in the whole program.
std::mutex SpeechLock;
bool SpeechReady = false;

int CollectSamples(short *wav, int count, espeak_EVENT *events)
{
    if (wav != nullptr && count > 0 && events != nullptr && events->user_data != nullptr)
        static_cast<std::vector<short> *>(events->user_data)
            ->insert(static_cast<std::vector<short> *>(events->user_data)->end(), wav, wav + count);
    return 0; // go on
}

std::string StatusText(espeak_ng_STATUS status)
{
    char text[256] = {};
    espeak_ng_GetStatusCodeMessage(status, text, sizeof text);
    return text;
}

/// Loads the voice data once; throws when it is not installed.
void PrepareSpeech()
{
    if (SpeechReady)
        return;
    espeak_ng_InitializePath(nullptr); // the library's own folder, or ESPEAK_DATA_PATH
    espeak_ng_ERROR_CONTEXT context = nullptr;
    const espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    espeak_ng_ClearErrorContext(&context);
    if (status != ENS_OK) // a missing folder or file comes as its errno
        throw TSigError("нет данных голосов eSpeak NG (" +
                        ((status & ENS_GROUP_MASK) == ENS_GROUP_ERRNO ? CauseText(status) : StatusText(status)) +
                        "): установите пакет " + SpeechDataPackage);
    if (espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr) != ENS_OK)
        throw TSigError("eSpeak NG не готовит звук в памяти");
    espeak_SetSynthCallback(CollectSamples);
    SpeechReady = true;
}

bool PlainVoiceName(const std::string &voice)
{
    return !voice.empty() && voice.size() <= 40 && std::all_of(voice.begin(), voice.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '+';
    });
}

} // namespace

std::vector<float> SynthesiseSpeech(const std::string &text, const std::string &voice, int sampleRate)
{
    std::vector<short> spoken;
    int speechRate = 0;
    {
        const std::lock_guard<std::mutex> lock(SpeechLock);
        PrepareSpeech();
        if (!PlainVoiceName(voice) || espeak_ng_SetVoiceByName(voice.c_str()) != ENS_OK)
            throw TSigError("голоса «" + voice + "» нет в данных eSpeak NG (пакет " + SpeechDataPackage + ")");
        // A little slower than conversation: a corridor loudspeaker echoes.
        espeak_ng_SetParameter(espeakRATE, 150, 0);
        const espeak_ng_STATUS status = espeak_ng_Synthesize(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                                             espeakCHARS_UTF8, nullptr, &spoken);
        if (status != ENS_OK)
            throw TSigError("eSpeak NG не озвучил текст: " + StatusText(status));
        speechRate = espeak_ng_GetSampleRate();
    }
    std::vector<float> samples(spoken.size());
    std::transform(spoken.begin(), spoken.end(), samples.begin(), [](short s) { return s / 32768.0f; });
    return Resample(samples, speechRate, sampleRate);
}

std::vector<float> AnnouncementSamples(const TAnnouncement &announcement, int sampleRate, double targetLufs)
{
    if (const std::string problem = AnnouncementTextProblem(announcement.Text); !problem.empty())
        throw TSigError(problem);
    std::vector<float> speech = SynthesiseSpeech(announcement.Text, announcement.Voice, sampleRate);
    // Punctuation alone, or a text the voice has no words for, comes back as silence: no file of
    // silence is made (its loudness could not even be measured).
    float peak = 0;
    for (const float value : speech)
        peak = std::max(peak, std::fabs(value));
    if (peak < SilentSpeechPeak)
        throw TSigError("eSpeak NG не произнёс ни звука: в тексте объявления нечего произносить");
    std::vector<float> sound;
    if (announcement.Chime) {
        // The gong a little below the words, which it only announces.
        LevelWithLimiter(speech, sampleRate, targetLufs, -2);
        sound = SynthesiseBell(TBellTone::Gong, 3, sampleRate);
        LevelMono(sound, sampleRate, targetLufs - 3);
        sound.resize(sound.size() + static_cast<size_t>(0.4 * sampleRate), 0.0f);
    }
    sound.insert(sound.end(), speech.begin(), speech.end());
    // Sample peaks at -2 dBFS leave room for the peaks between samples and the encoder's ripple.
    LevelWithLimiter(sound, sampleRate, targetLufs, -2);
    return sound;
}

std::vector<float> Resample(const std::vector<float> &samples, int fromRate, int toRate)
{
    if (fromRate == toRate || samples.empty() || fromRate <= 0 || toRate <= 0)
        return samples;
    // Output sample i lies at input position i * up / down: with the rates' ratio in lowest terms the
    // filter has only `down` distinct phases, each weighed once here.
    const long common = std::gcd(fromRate, toRate);
    const long up = fromRate / common, down = toRate / common;
    const double cutoff = std::min(1.0, double(down) / up);       // of the input's Nyquist frequency: no aliasing
    const long reach = static_cast<long>(std::ceil(16 / cutoff)); // taps each side, in input samples
    std::vector<std::vector<float>> phases(static_cast<size_t>(down));
    for (long phase = 0; phase < down; ++phase)
        for (long k = -reach + 1; k <= reach; ++k) {
            const double x = double(phase) / down - k; // from tap k to the output's position
            const double sinc = x == 0 ? 1 : std::sin(M_PI * cutoff * x) / (M_PI * cutoff * x);
            const double window = 0.42 + 0.5 * std::cos(M_PI * x / reach) + 0.08 * std::cos(2 * M_PI * x / reach);
            phases[phase].push_back(static_cast<float>(cutoff * sinc * window));
        }
    std::vector<float> out(static_cast<size_t>(samples.size() * down / up));
    const long count = static_cast<long>(samples.size());
    for (size_t i = 0; i < out.size(); ++i) {
        const long base = static_cast<long>(i) * up / down;
        const std::vector<float> &taps = phases[static_cast<long>(i) * up % down];
        double sum = 0;
        for (long k = std::max(-reach + 1, -base); k <= reach && base + k < count; ++k)
            sum += samples[base + k] * taps[k + reach - 1];
        out[i] = static_cast<float>(sum);
    }
    return out;
}

TLoudness WriteSpeechMp3(const std::string &path, const TAnnouncement &announcement, double targetLufs)
{
    const int rate = 44100; // as the bells: one rate on the card
    std::vector<float> samples;
    try {
        samples = AnnouncementSamples(announcement, rate, targetLufs);
    } catch (const TSigError &e) {
        throw TFileError("Не удалось озвучить объявление для файла " + path + "\n" + e.what());
    }
    return WriteLevelledMp3(path, std::move(samples), rate, targetLufs);
}
