#include "device/soundfile.h"

#include "model/error.h"
#include "storage/filepair.h"
#include "storage/projectfile.h"

#include <fstream>
#include <sys/stat.h>

namespace {

bool HasMp3Name(const std::string &path)
{
    if (path.size() < 4)
        return false;
    std::string suffix = path.substr(path.size() - 4);
    for (char &c : suffix)
        c = c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    return suffix == ".mp3";
}

// The reason to name for a file that is not an MP3: a project is the likeliest slip (`sound` typed
// for `bells`), and says more than "no MPEG frames".
std::string NotMp3Reason(const std::string &path, const TTrackInfo &info)
{
    std::ifstream file(path, std::ios::binary);
    std::string head(64 * 1024, '\0');
    file.read(head.data(), std::streamsize(head.size()));
    head.resize(size_t(file.gcount()));
    return IsProjectText(head) ? "это файл проекта" : info.Reason;
}

std::string Replaced(std::string text, const std::string &from, const std::string &to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

std::string SoundTargetProblem(const std::string &path)
{
    const std::string refused = "Файл " + path + " не записан: ";
    if (!HasMp3Name(path))
        return refused + "звук записывается только в файл с расширением .mp3";
    struct stat st = {};
    if (::stat(path.c_str(), &st) != 0 || (S_ISREG(st.st_mode) && st.st_size == 0))
        return {}; // nothing there, or nothing in it to lose
    const TTrackInfo info = InspectTrack(path);
    if (info.Status == TTrackStatus::Ok || info.Status == TTrackStatus::Damaged)
        return {};
    if (info.Status == TTrackStatus::Missing)
        return refused + "его не удалось проверить (" + info.Reason + ")";
    return refused + "на его месте не MP3 (" + NotMp3Reason(path, info) + "), а звук записывается только поверх MP3";
}

TLoudness WriteSoundPair(const std::string &path, const TSoundRecipe &recipe)
{
    if (const std::string problem = SoundTargetProblem(path); !problem.empty())
        throw TFileError(problem);
    TFilePairWrite pair(path, SoundNotePath(path));
    TLoudness made;
    try {
        made = MakeSoundFile(pair.MainScratch(), recipe);
    } catch (const TSigError &e) {
        // The operator knows the file by the name they gave, not by its scratch name.
        throw TFileError(Replaced(e.what(), pair.MainScratch(), path));
    }
    if (recipe.Speech)
        pair.Commit(FormatSoundNote(recipe.Announcement));
    else
        pair.Commit(std::nullopt);
    return made;
}
