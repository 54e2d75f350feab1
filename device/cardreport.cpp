#include "device/cardreport.h"

#include "device/cardjournal.h"
#include "device/trackcopycard.h"
#include "model/cause.h"

#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace {

std::string FileName(const std::string &path)
{
    return path.substr(path.find_last_of('/') + 1);
}

std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return text;
}

// The card file holds the bytes the copy was to put there.
bool HoldsNew(const TCopyResult &result, const std::string &cardFile, const TCardSources &sources,
              const TCopyVerify &verify)
{
    if (result.RemadePrint)
        return FileFingerprint(cardFile) == result.RemadePrint;
    if (const std::optional<int> held = sources.Find(result.Source))
        return *held >= 0 && CompareWithCard(*held, cardFile, verify.Read) == 0;
    const int fd = ::open(result.Source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    const bool same = CompareWithCard(fd, cardFile, verify.Read) == 0;
    ::close(fd);
    return same;
}

// The card file holds the old track that waits in the journal.
bool HoldsSaved(const std::string &name, const std::string &cardFile, const TCardJournal &journal,
                const TCopyVerify &verify)
{
    const int fd = ::open(journal.BytesPath(name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool same = CompareWithCard(fd, cardFile, verify.Read) == 0;
    ::close(fd);
    return same;
}

TCopyResult::TOnCard StateOf(const TCopyResult &result, const TCardFolder &card, const TCardSources &sources,
                             const TCardJournal &journal, const TCopyVerify &verify)
{
    const std::string name = FileName(result.Target);
    const std::string spelled = CardSpelling(card.Folder, name);
    if (spelled.empty())
        return TCopyResult::Absent;
    const std::string path = card.Path(spelled);
    const std::optional<TFileId> now = FileIdAt(path);
    if (!now)
        return TCopyResult::Absent; // a folder under a track's name plays nothing
    // The very file that was read back before its rename, or the one the plan found there.
    if (result.Committed && *now == *result.Committed)
        return TCopyResult::New;
    if (result.Outcome != TCopyResult::Copied && result.Old && *now == *result.Old)
        return TCopyResult::OldKept;
    if (HoldsNew(result, path, sources, verify))
        return TCopyResult::New;
    if (HoldsSaved(name, path, journal, verify))
        return TCopyResult::OldKept;
    return TCopyResult::Wrong;
}

} // namespace

std::string AbsentTrackLine(int32_t track)
{
    return "трек " + std::to_string(track) + ": на карте нет файла — звонок не прозвучит";
}

void ReadBackCard(TCopyReport &report, const TCardPlan &plan, const TCardFolder &card, const TCardSources &sources,
                  const TCardJournal &journal, const TCopyVerify &verify, TLogSink &log)
{
    // A track named on two lines ends as its later line's copy; the earlier one is judged by its own copy.
    std::set<std::string> later;
    for (size_t i = report.Files.size(); i-- > 0;) {
        TCopyResult &result = report.Files[i];
        const std::string name = Lower(FileName(plan.Items[i].Target));
        if (!later.insert(name).second) {
            result.OnCard = result.Outcome == TCopyResult::Copied ? TCopyResult::New : TCopyResult::NotRead;
            continue;
        }
        if (result.Outcome == TCopyResult::Missing) {
            result.OnCard = CardSpelling(card.Folder, FileName(plan.Items[i].Target)).empty() ? TCopyResult::Absent
                                                                                              : TCopyResult::OldKept;
            continue;
        }
        result.OnCard = StateOf(result, card, sources, journal, verify);
        if (result.OnCard != TCopyResult::New && result.Outcome == TCopyResult::Copied) {
            result.Outcome = TCopyResult::Failed;
            result.Note = "на карте потом оказалась другая запись";
        }
    }
    for (const TCopyResult &result : report.Files) {
        const std::string track = "трек " + std::to_string(result.Track);
        if (result.OnCard == TCopyResult::Absent)
            log.AddLog(AbsentTrackLine(result.Track));
        else if (result.OnCard == TCopyResult::Wrong)
            log.AddLog(track + ": файл '" + result.Target +
                       "' на карте не совпадает ни с новой, ни со старой записью — прозвучит не тот звонок");
        else if (result.OnCard == TCopyResult::OldKept && result.Outcome != TCopyResult::Missing)
            log.AddLog(track + ": на карте осталась старая запись");
    }
}
