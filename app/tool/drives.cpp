#include "device/drives.h"
#include "app/tool/commands.h"
#include "app/tool/usage.h"

#include "app/tool/stdstreams.h"

// sigcfg-tool drives [--root DIR]: the drives the card writer would offer, one per line:
// mount point, label, size and device, separated by tabs. With --root, the mount table, swap
// list, sysfs and /dev are read below DIR, as on a system image or a test tree.
int RunDrives(const std::vector<std::string> &args)
{
    TDriveSources sources;
    if (args.size() == 2 && args[0] == "--root") {
        sources = TDriveSources::UnderRoot(args[1]);
    } else if (!args.empty()) {
        return UsageError(args[0] == "--root" ? "у параметра --root нет значения" : "лишний аргумент «" + args[0] + "»",
                          "drives");
    }
    const std::optional<std::vector<TDrive>> drives = RemovableDrives(sources);
    if (!drives) {
        ToolErr() << "sigcfg-tool: таблица монтирования " << sources.MountsPath << " не читается\n";
        return 2;
    }
    for (const TDrive &drive : *drives)
        ToolOut() << drive.MountPoint << '\t' << drive.Label << '\t' << (drive.Size ? SizeText(drive.Size) : "") << '\t'
                  << drive.Device << '\n';
    if (drives->empty())
        ToolErr() << "Съёмных дисков не найдено\n";
    return drives->empty() ? 1 : 0;
}
