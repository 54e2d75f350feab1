// The 16x oversampled true peak of MP3 files, by brute force, as the tests check the meter with:
// each file decoded as the programs decode it, then the reference of tests/core/truepeak_reference.h.
// Prints one line a file: the peak in dBTP with three decimals, a tab, the path.
// Usage: truepeak_reference FILE...
#include "truepeak_reference.h"
#include "audio/trackdecoder.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <vector>

int main(int argc, char **argv)
{
    int failed = 0;
    for (int i = 1; i < argc; ++i)
        try {
            TTrackDecoder decoder(argv[i], TTrackDecoder::Float);
            std::vector<float> samples, buffer(65536);
            while (const size_t bytes =
                       decoder.Read(reinterpret_cast<unsigned char *>(buffer.data()), buffer.size() * 4))
                samples.insert(samples.end(), buffer.begin(), buffer.begin() + bytes / 4);
            const int channels = decoder.Channels();
            const double peak = ReferenceTruePeak(samples.data(), samples.size() / channels, channels);
            std::printf("%.3f\t%s\n", 20 * std::log10(peak), argv[i]);
        } catch (const std::exception &error) {
            std::fprintf(stderr, "%s\n", error.what());
            failed = 1;
        }
    return failed;
}
