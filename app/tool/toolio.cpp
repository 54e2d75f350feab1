#include "app/tool/toolio.h"

#include "model/error.h"
#include "storage/fileio.h"

#include <iostream>

void TStdoutLog::AddLog(std::string_view line)
{
    std::cout << line << '\n';
}

bool ExpectArgs(const std::vector<std::string> &args, size_t count, const char *usage)
{
    if (args.size() == count)
        return true;
    std::cerr << "Usage: sigcfg-tool " << usage << "\n";
    return false;
}

void LoadExistingProject(const std::string &path, TToolProject &loaded)
{
    if (!FileExists(path))
        throw TFileError("No project file " + path);
    LoadProjectFile(path, loaded.Project, loaded.PlayList, loaded.Skipped);
}
