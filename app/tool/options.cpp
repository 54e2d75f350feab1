#include "app/tool/options.h"

#include "app/tool/toolio.h"
#include "app/tool/usage.h"
#include "schedule/check.h"
#include "storage/fileio.h"

#include "app/tool/stdstreams.h"
#include <algorithm>
#include <charconv>

bool TFileOptions::Read(const std::vector<std::string> &args, const std::vector<std::string> &known,
                        const char *command)
{
    const auto fail = [command](const std::string &why) {
        UsageError(why, command);
        return false;
    };
    if (args.empty() || args[0].starts_with("--"))
        return fail("не указан файл проекта");
    File = args[0];
    for (size_t k = 1; k < args.size(); k += 2) {
        const std::string &name = args[k];
        if (std::find(known.begin(), known.end(), name) == known.end())
            return fail("неизвестный параметр «" + name + "»");
        if (k + 1 >= args.size())
            return fail("у параметра " + name + " нет значения");
        if (!Values.emplace(name, args[k + 1]).second)
            return fail("параметр " + name + " указан дважды");
    }
    return true;
}

bool TFileOptions::Number(const std::string &name, int fallback, int &value) const
{
    const auto found = Values.find(name);
    if (found == Values.end()) {
        value = fallback;
        return true;
    }
    std::string_view text = found->second;
    if (text.starts_with('+') && !text.starts_with("+-"))
        text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        ToolErr() << "sigcfg-tool: " << name << ": «" << found->second << "» не целое число\n";
        return false;
    }
    return true;
}

int RefuseChange(const std::string &file, const std::string &reason)
{
    ToolErr() << "sigcfg-tool: " << file << ": " << reason << "; файл не изменён\n";
    return 2;
}

bool LoadForEdit(const std::string &path, TToolProject &loaded)
{
    // Held from before the read to the end of the command: two edits at once would lose one.
    if (FileExists(path))
        loaded.Lock = std::make_unique<TEditLock>(path);
    LoadExistingProject(path, loaded);
    if (loaded.Skipped.empty())
        return true;
    PrintSkipped(path, loaded, "пропало бы");
    ToolErr() << "sigcfg-tool: " << path << ": запись назад потеряла бы то, что перечислено выше; файл не изменён\n";
    return false;
}

int SaveAndCheck(TToolProject &loaded)
{
    SaveProjectFile(loaded.Project, loaded.PlayList);
    if (loaded.Encoding != TProjectEncoding::Cp1251)
        ToolErr() << "sigcfg-tool: " << loaded.Project.FileName
                  << ": файл был в UTF-8, записан в Windows-1251, как пишет его программа\n";
    TStdoutLog log;
    return CheckProject(loaded.Project, log) == 0 ? 0 : 1;
}
