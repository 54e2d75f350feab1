#include "device/cardcheck.h"

#include "device/cardplan.h"
#include "device/cardreport.h"
#include "device/sdcard.h"
#include "device/sounds.h"
#include "device/trackcopy.h"
#include "device/trackinfo.h"
#include "device/trackverify.h"
#include "model/cause.h"
#include "model/error.h"
#include "model/lib.h"
#include "storage/fileio.h"

#include <cmath>
#include <fcntl.h>
#include <set>
#include <unistd.h>

std::string TCardCheck::Summary() const
{
    if (Clean())
        return "Карта совпадает с плейлистом: треков " + std::to_string(Tracks) +
               (Levelled > 0 ? "; выровненных копий: " + std::to_string(Levelled) : "");
    return "Отличий карты от плейлиста: " + std::to_string(Differences.size());
}

namespace {

// Why the card file is not the source levelled to levelLufs, after "файл '<card>' "; "" when it is.
std::string NotLevelledCopy(const std::string &source, const std::string &card, double levelLufs)
{
    const std::string differs = "на карте отличается от '" + source + "'";
    const TTrackInfo from = InspectTrack(source), copy = InspectTrack(card);
    // A levelled copy keeps the source's rate, channels and every sample, encoder delay taken off.
    if (from.Status != TTrackStatus::Ok || copy.Status != TTrackStatus::Ok || copy.Samples != from.Samples ||
        copy.SampleRate != from.SampleRate || copy.Channels != from.Channels)
        return differs;
    TLoudness measured;
    try {
        measured = MeasureTrackLoudness(card);
    } catch (const TFileError &error) {
        return differs + ", а громкость не измерить: " + error.what();
    }
    if (measured.Measured && std::fabs(measured.Lufs - levelLufs) <= LevelToleranceLu &&
        measured.TruePeakDb <= LevelCeilingDb)
        return "";
    return "— копия '" + source + "', выровненная не до " + DecibelText(levelLufs) +
           " LUFS: " + (measured.Measured ? LoudnessText(measured) : "громкость не измерить (тишина)");
}

} // namespace

TCardCheck CheckCard(const std::vector<std::string> &playList, const std::string &target,
                     std::optional<double> levelLufs)
{
    TCardCheck check;
    const std::string folder = FolderOf(target + "x");
    const TCardPlan plan = PlanCardCopy(playList, target, [](const std::string &) { return std::nullopt; });
    std::set<std::string> judged;
    std::vector<const TPlanItem *> items;
    for (auto item = plan.Items.rbegin(); item != plan.Items.rend(); ++item)
        if (judged.insert(item->OldName.empty() ? item->Target : folder + "/" + item->OldName).second)
            items.insert(items.begin(), &*item);
    for (const TPlanItem *item : items) {
        ++check.Tracks;
        const std::string track = "трек " + std::to_string(item->Track) + ": ";
        if (item->OldName.empty()) {
            check.Differences.push_back(AbsentTrackLine(item->Track));
            continue;
        }
        const std::string card = folder + "/" + item->OldName;
        const int source = ::open(item->Source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (item->SourceMissing || source < 0) {
            check.Differences.push_back(track + "исходного файла '" + item->Source + "' нет — сравнить не с чем");
            if (source >= 0)
                ::close(source);
            continue;
        }
        const int cause = CompareWithCard(source, card);
        ::close(source);
        if (cause == CauseDiffersAfterWrite && levelLufs) {
            if (const std::string why = NotLevelledCopy(item->Source, card, *levelLufs); !why.empty())
                check.Differences.push_back(track + "файл '" + card + "' " + why);
            else
                ++check.Levelled;
        } else if (cause == CauseDiffersAfterWrite)
            check.Differences.push_back(track + "файл '" + card + "' на карте отличается от '" + item->Source + "'");
        else if (cause != 0)
            check.Differences.push_back(track + "файл '" + card + "' не читается: " + CauseText(cause));
    }
    for (const std::string &extra : ExtraCardFiles(playList, target))
        check.Differences.push_back(ExtraCardFileLine(extra));
    for (const std::string &torn : StaleTemporaries(target))
        check.Differences.push_back("Файл '" + torn + "' — недописанная копия прерванного копирования");
    return check;
}
