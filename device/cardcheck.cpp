#include "device/cardcheck.h"

#include "device/cardplan.h"
#include "device/cardreport.h"
#include "device/sdcard.h"
#include "device/trackcopy.h"
#include "device/trackverify.h"
#include "model/cause.h"
#include "model/lib.h"
#include "storage/fileio.h"

#include <fcntl.h>
#include <set>
#include <unistd.h>

std::string TCardCheck::Summary() const
{
    if (Clean())
        return "Карта совпадает с плейлистом: треков " + std::to_string(Tracks);
    return "Отличий карты от плейлиста: " + std::to_string(Differences.size());
}

TCardCheck CheckCard(const std::vector<std::string> &playList, const std::string &target)
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
        if (cause == CauseDiffersAfterWrite)
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
