#include "app/tool/toolio.h"
#include "app/tool/usage.h"

#include "model/error.h"
#include "storage/fileio.h"

#include "app/tool/stdstreams.h"
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

void TStdoutLog::AddLog(std::string_view line)
{
    Buffer.append(line);
    Buffer.push_back('\n');
    if (Mode == LineByLine || Buffer.size() >= 65536)
        Flush();
}

namespace {

void WriteOut(std::string_view rest)
{
    while (!rest.empty()) {
        const ssize_t n = ::write(STDOUT_FILENO, rest.data(), rest.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // a closed pipe: the reader has gone, nothing more to say
        rest.remove_prefix(static_cast<size_t>(n));
    }
}

} // namespace

void TStdoutLog::AddLines(std::string_view lines)
{
    // Straight from the caller's block: a copy here would cost as much as making the lines.
    Flush();
    WriteOut(lines);
}

void TStdoutLog::Flush()
{
    ToolOut().Flush();
    WriteOut(Buffer);
    Buffer.clear();
}

bool ExpectArgs(const std::vector<std::string> &args, size_t count, const char *command)
{
    if (args.size() == count)
        return true;
    UsageError(args.size() < count ? "не хватает аргументов" : "лишний аргумент «" + args[count] + "»", command);
    return false;
}

TToolProject &CommandProject()
{
    static TToolProject *const project = new TToolProject; // never freed, on purpose
    return *project;
}

void LoadExistingProject(const std::string &path, TToolProject &loaded)
{
    // Only a missing file is "no project file"; a folder or a file we may not read is told as such by the read.
    struct stat st = {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT)
        throw TFileError("Нет файла проекта " + path);
    loaded.Encoding = LoadProjectFile(path, loaded.Project, loaded.PlayList, loaded.Skipped);
}

void PrintSkipped(const std::string &path, const TToolProject &loaded, const char *what)
{
    if (loaded.Skipped.empty() && loaded.Encoding != TProjectEncoding::Utf8Unmarked)
        return;
    ToolErr() << "sigcfg-tool: " << path << ": " << SkippedHeading(loaded.Encoding)
              << (loaded.Skipped.empty() ? " ничего" : "") << "\n";
    for (const TSkippedEntry &entry : loaded.Skipped)
        ToolErr() << "sigcfg-tool: " << path << ": " << what << ": " << entry.Key << ": " << entry.Reason << "\n";
}
