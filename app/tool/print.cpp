#include "app/tool/commands.h"
#include "app/tool/toolio.h"
#include "model/cause.h"
#include "model/error.h"
#include "model/modulefile.h"
#include "storage/fileio.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <unistd.h>

// sigcfg-tool print FILE.vlpj OUT.pdf: the printed schedule as a PDF. The pages need Qt, so the
// work goes to the renderer sigcfg-print; the file is read here first, so that a file
// that is not a project is refused before anything starts.

int RunPrint(const std::vector<std::string> &args)
{
    if (!ExpectArgs(args, 2, "print"))
        return 2;
    TToolProject &loaded = CommandProject();
    LoadExistingProject(args[0], loaded); // refuses what is no project before anything starts
    // A slip of the hand must not put a PDF where the project was.
    RefuseSameFile(args[0], args[1]);
    // The renderer: beside this program in the build tree, in its private folder once installed.
    const std::vector<std::string> candidates = HelperCandidates("sigcfg-print");
    const auto found = std::find_if(candidates.begin(), candidates.end(), FileExists);
    if (found == candidates.end())
        throw TFileError("Программа печати sigcfg-print не найдена; программа установлена не полностью\nИскали: " +
                         SearchedText(candidates));
    const std::string &helper = *found;
    const char *argv[] = {helper.c_str(), args[0].c_str(), args[1].c_str(), nullptr};
    ::execv(helper.c_str(), const_cast<char *const *>(argv));
    throw TFileError("Не удалось запустить " + helper + "\n" + CauseText(errno));
}
