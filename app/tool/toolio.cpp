#include "app/tool/toolio.h"
#include "app/tool/usage.h"

#include "model/error.h"
#include "storage/fileio.h"

#include <cerrno>
#include <iostream>
#include <unistd.h>

void TStdoutLog::AddLog(std::string_view line)
{
    Buffer.append(line);
    Buffer.push_back('\n');
    if (Mode == LineByLine || Buffer.size() >= 65536)
        Flush();
}

void TStdoutLog::Flush()
{
    if (Buffer.empty())
        return;
    std::cout.flush();
    std::string_view rest = Buffer;
    while (!rest.empty()) {
        const ssize_t n = ::write(STDOUT_FILENO, rest.data(), rest.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // a closed pipe: the reader has gone, nothing more to say
        rest.remove_prefix(static_cast<size_t>(n));
    }
    Buffer.clear();
}

bool ExpectArgs(const std::vector<std::string> &args, size_t count, const char *command)
{
    if (args.size() == count)
        return true;
    UsageError(args.size() < count ? "не хватает аргументов" : "лишний аргумент «" + args[count] + "»", command);
    return false;
}

void LoadExistingProject(const std::string &path, TToolProject &loaded)
{
    if (!FileExists(path))
        throw TFileError("Нет файла проекта " + path);
    LoadProjectFile(path, loaded.Project, loaded.PlayList, loaded.Skipped);
}
