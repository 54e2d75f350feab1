#include "device/trackinfo.h"
#include "model/plural.h"

#include <cmath>
#include <cstdio>
#include <sys/stat.h>

const char *TrackStatusWord(TTrackStatus status)
{
    switch (status) {
    case TTrackStatus::Ok:
        return "ok";
    case TTrackStatus::Missing:
        return "missing";
    case TTrackStatus::NotMp3:
        return "not-mp3";
    case TTrackStatus::Damaged:
        return "damaged";
    }
    return "missing";
}

std::string TrackStatusText(const TTrackInfo &info)
{
    std::string text;
    switch (info.Status) {
    case TTrackStatus::Ok:
        text = "в порядке";
        break;
    case TTrackStatus::Missing:
        return info.Reason.empty() ? "файл отсутствует" : info.Reason;
    case TTrackStatus::NotMp3:
        return "не MP3" + (info.Reason.empty() ? std::string() : ": " + info.Reason);
    case TTrackStatus::Damaged:
        text = "повреждён (" + CountText(info.Errors, "ошибка", "ошибки", "ошибок") + ")";
        break;
    }
    if (info.TimedOut)
        text += "; проверено не до конца: вышло время";
    else if (info.Partial)
        text += "; проверены первые " + std::to_string(info.BytesRead >> 20) + " МБ";
    return text;
}

std::string TrackFormatText(const TTrackInfo &info)
{
    if (info.SampleRate == 0)
        return "";
    const std::string version = info.MpegVersion == 25 ? "2.5" : std::to_string(info.MpegVersion);
    std::string text = "MPEG-" + version + " Layer III, " + std::to_string(info.SampleRate) + " Гц, " +
                       (info.Channels == 1 ? "моно" : "стерео") + ", " + std::to_string(info.Kbps) + " кбит/с";
    if (info.Vbr)
        text += ", VBR";
    return text;
}

std::string DurationText(double seconds)
{
    const auto tenths = static_cast<int64_t>(std::llround(std::max(0.0, seconds) * 10));
    const int64_t whole = tenths / 10, hours = whole / 3600, minutes = whole / 60 % 60, secs = whole % 60;
    char buffer[48];
    if (hours > 0)
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld.%lld", (long long)hours, (long long)minutes,
                      (long long)secs, (long long)(tenths % 10));
    else
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld.%lld", (long long)minutes, (long long)secs,
                      (long long)(tenths % 10));
    return buffer;
}

const TTrackInfo &TTrackCache::Inspect(const std::string &path)
{
    struct stat st = {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        // Nothing to key a missing file or a device by: look again every time.
        Uncached = InspectTrack(path, Limits);
        ++ScanCount;
        return Uncached;
    }
    TEntry &entry = Entries[{uint64_t(st.st_dev), uint64_t(st.st_ino)}];
    if (entry.Size == int64_t(st.st_size) && entry.Modified.tv_sec == st.st_mtim.tv_sec &&
        entry.Modified.tv_nsec == st.st_mtim.tv_nsec)
        return entry.Info;
    entry.Info = InspectTrack(path, Limits);
    ++ScanCount;
    // A scan cut short by the clock may go further next time: keep only finished ones.
    entry.Size = entry.Info.TimedOut ? -1 : int64_t(st.st_size);
    entry.Modified = st.st_mtim;
    return entry.Info;
}
