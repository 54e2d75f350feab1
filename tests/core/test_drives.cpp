#include "device/drives.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using ::testing::ElementsAre;

namespace {

void Write(const fs::path &path, const std::string &text)
{
    std::ofstream(path) << text;
}

// A machine of our own under a temporary folder: sysfs, /dev and a mount table.
class TFakeMachine
{
public:
    // inner: a folder between the temporary folder and the machine's root.
    explicit TFakeMachine(const std::string &inner = "")
    {
        Root = Top.Path / inner;
        Sources = {(Root / "mounts").string(), (Root / "sys").string(), (Root / "dev").string()};
        for (const char *dir : {"sys/block", "sys/class/block", "dev/disk/by-uuid"})
            fs::create_directories(Root / dir);
    }

    // A disk below a device path of sysfs, with its partitions, as the kernel lays them out.
    void AddDisk(const std::string &devicePath, const std::string &disk, bool removable,
                 std::initializer_list<std::string> partitions)
    {
        const fs::path sys = Root / "sys", dir = sys / "devices" / devicePath / "block" / disk;
        fs::create_directories(dir);
        Write(dir / "removable", removable ? "1\n" : "0\n");
        fs::create_symlink(fs::relative(dir, sys / "block"), sys / "block" / disk);
        fs::create_symlink(fs::relative(dir, sys / "class/block"), sys / "class/block" / disk);
        for (const std::string &part : partitions) {
            fs::create_directories(dir / part);
            Write(dir / part / "partition", "1\n");
            fs::create_symlink(fs::relative(dir / part, sys / "class/block"), sys / "class/block" / part);
            Write(Root / "dev" / part, "");
        }
    }

    TTempFolder Top;
    fs::path Root;
    TDriveSources Sources;
};

// A laptop: hard disk sda, an internal card reader sdb, a USB stick sdc, an SD slot mmcblk0.
void BuildLaptop(TFakeMachine &machine)
{
    machine.AddDisk("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", "sda", false, {"sda1", "sda2", "sda3"});
    machine.AddDisk("pci0000:00/0000:00:1d.0/host4/target4:0:0/4:0:0:0", "sdb", true, {"sdb1"});
    machine.AddDisk("pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0", "sdc", false,
                    {"sdc1", "sdc2"});
    machine.AddDisk("platform/soc/mmc_host/mmc0/mmc0:0001", "mmcblk0", false, {"mmcblk0p1"});
}

} // namespace

TEST(MountTable, DecodesEscapedBlanksAndBackslashesSkipsMalformedLines)
{
    const std::vector<TMountEntry> entries = ParseMountTable("/dev/sdb1 /media/op/MY\\040CARD vfat rw 0 0\n"
                                                             "/dev/sdc1 /mnt/a\\011b\\134c ext4 rw 0 0\n"
                                                             "lonely\n\n"
                                                             "/dev/sdd1\t/mnt/bad\\09 vfat rw 0 0");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Device, "/dev/sdb1");
    EXPECT_EQ(entries[0].MountPoint, "/media/op/MY CARD");
    EXPECT_EQ(entries[1].MountPoint, "/mnt/a\tb\\c");
    EXPECT_EQ(entries[2].MountPoint, "/mnt/bad\\09");
}

TEST(RemovableDrives, OffersTheMountsOnCardReaderStickAndSdSlotInTableOrder)
{
    // Under a folder named usb*: a path above the machine's root makes no disk a USB disk.
    TFakeMachine machine("usbhost");
    BuildLaptop(machine);
    fs::create_symlink("../../sdb1", machine.Root / "dev/disk/by-uuid/ABCD-1234");
    fs::create_symlink("../../sda2", machine.Root / "dev/disk/by-uuid/0000-HOME");
    // mount-table line, root offered for it ("": none)
    const std::pair<const char *, const char *> mounts[] = {
        {"/dev/sda1 / ext4 rw,relatime 0 0", ""},
        {"proc /proc proc rw 0 0", ""},
        {"tmpfs /run tmpfs rw 0 0", ""},
        {"/dev/sdc1 /media/op/STICK vfat rw 0 0", "/media/op/STICK/"},
        {"/dev/sda2 /home ext4 rw 0 0", ""},
        {"/dev/sdb1 /media/op/CARD\\040ONE vfat rw 0 0", "/media/op/CARD ONE/"},
        {"/dev/mmcblk0p1 /run/media/op/SD vfat rw 0 0", "/run/media/op/SD/"},
        {"/dev/disk/by-uuid/0000-HOME /home ext4 rw 0 0", ""},
        {"/dev/disk/by-uuid/ABCD-1234 /mnt/uuid vfat rw 0 0", "/mnt/uuid/"},
        {"/dev/disk/by-uuid/DANGLING /mnt/gone vfat rw 0 0", ""},
    };
    std::string table;
    std::vector<std::string> expected;
    for (const auto &[line, root] : mounts) {
        table += std::string(line) + "\n";
        if (*root)
            expected.push_back(root);
    }
    Write(machine.Sources.MountsPath, table);
    EXPECT_EQ(RemovableDriveRoots(machine.Sources), expected);
    // A whole hard disk, a name sysfs does not know and a name leaving sysfs are no card.
    for (const char *name : {"sda", "sdz1", "../block"})
        EXPECT_FALSE(IsRemovableBlockDevice(machine.Sources, name)) << name;
}

TEST(RemovableDrives, NoRemovableMountIsAnEmptyListAnUnreadableTableIsNothing)
{
    TFakeMachine machine;
    BuildLaptop(machine);
    EXPECT_FALSE(RemovableDriveRoots(machine.Sources).has_value()); // no mounts file
    Write(machine.Sources.MountsPath, "/dev/sda1 / ext4 rw 0 0\n");
    EXPECT_EQ(RemovableDriveRoots(machine.Sources), std::vector<std::string>{});
    machine.Sources.MountsPath = machine.Sources.SysRoot; // a folder
    EXPECT_FALSE(RemovableDriveRoots(machine.Sources).has_value());
}
