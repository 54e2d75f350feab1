#include "device/drives.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// A machine of our own under a temporary folder: sysfs, /dev and a mount table.
class TFakeMachine
{
public:
    // inner: a folder between the temporary folder and the machine's root.
    explicit TFakeMachine(const std::string &inner = "")
    {
        std::string pattern = (fs::temp_directory_path() / "drives.XXXXXX").string();
        Top = ::mkdtemp(pattern.data());
        Root = inner.empty() ? Top : Top / inner;
        Sources.MountsPath = (Root / "mounts").string();
        Sources.SysRoot = (Root / "sys").string();
        Sources.DevRoot = (Root / "dev").string();
        fs::create_directories(Root / "dev");
    }
    ~TFakeMachine() { fs::remove_all(Top); }

    // A disk below a device path of sysfs, with its partitions, as the kernel lays them out.
    void AddDisk(const std::string &devicePath, const std::string &disk, bool removable,
                 std::initializer_list<std::string> partitions)
    {
        const fs::path sys = Root / "sys";
        const fs::path dir = sys / "devices" / devicePath / "block" / disk;
        fs::create_directories(dir);
        Write(dir / "removable", removable ? "1\n" : "0\n");
        fs::create_directories(sys / "block");
        fs::create_directories(sys / "class" / "block");
        fs::create_symlink(fs::relative(dir, sys / "block"), sys / "block" / disk);
        fs::create_symlink(fs::relative(dir, sys / "class" / "block"), sys / "class" / "block" / disk);
        for (const std::string &part : partitions) {
            fs::create_directories(dir / part);
            Write(dir / part / "partition", "1\n");
            fs::create_symlink(fs::relative(dir / part, sys / "class" / "block"), sys / "class" / "block" / part);
            Write(Root / "dev" / part, "");
        }
    }

    // A device-mapper device sitting on the given block devices.
    void AddMapped(const std::string &name, const std::string &mapperName, std::initializer_list<std::string> slaves)
    {
        const fs::path sys = Root / "sys";
        const fs::path dir = sys / "devices" / "virtual" / "block" / name;
        fs::create_directories(dir / "slaves");
        Write(dir / "removable", "0\n");
        fs::create_symlink(fs::relative(dir, sys / "class" / "block"), sys / "class" / "block" / name);
        fs::create_symlink(fs::relative(dir, sys / "block"), sys / "block" / name);
        for (const std::string &slave : slaves)
            fs::create_symlink(sys / "class" / "block" / slave, dir / "slaves" / slave);
        Write(Root / "dev" / name, "");
        fs::create_directories(Root / "dev" / "mapper");
        fs::create_symlink("../" + name, Root / "dev" / "mapper" / mapperName);
    }

    void AddDevLink(const std::string &link, const std::string &target)
    {
        fs::create_directories((Root / "dev" / link).parent_path());
        fs::create_symlink(target, Root / "dev" / link);
    }

    void SetMounts(const std::string &text) { Write(Root / "mounts", text); }

    static void Write(const fs::path &path, const std::string &text) { std::ofstream(path) << text; }

    fs::path Top;
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

TEST(MountTable, DecodesEscapedBlanksAndBackslashes)
{
    const std::vector<TMountEntry> entries = ParseMountTable("/dev/sdb1 /media/op/MY\\040CARD vfat rw 0 0\n"
                                                             "/dev/sdc1 /mnt/a\\011b\\134c ext4 rw 0 0\n"
                                                             "lonely\n"
                                                             "\n"
                                                             "/dev/sdd1\t/mnt/bad\\09 vfat rw 0 0");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Device, "/dev/sdb1");
    EXPECT_EQ(entries[0].MountPoint, "/media/op/MY CARD");
    EXPECT_EQ(entries[1].MountPoint, "/mnt/a\tb\\c");
    EXPECT_EQ(entries[2].MountPoint, "/mnt/bad\\09");
}

TEST(RemovableDrives, OffersCardReaderStickAndSdSlotInMountOrder)
{
    TFakeMachine machine;
    BuildLaptop(machine);
    machine.SetMounts("/dev/sda1 / ext4 rw,relatime 0 0\n"
                      "proc /proc proc rw 0 0\n"
                      "tmpfs /run tmpfs rw 0 0\n"
                      "/dev/sdc1 /media/op/STICK vfat rw 0 0\n"
                      "/dev/sda2 /home ext4 rw 0 0\n"
                      "/dev/sdb1 /media/op/CARD\\040ONE vfat rw 0 0\n"
                      "/dev/mmcblk0p1 /run/media/op/SD vfat rw 0 0\n");
    const auto roots = RemovableDriveRoots(machine.Sources);
    ASSERT_TRUE(roots.has_value());
    EXPECT_THAT(*roots, ElementsAre("/media/op/STICK/", "/media/op/CARD ONE/", "/run/media/op/SD/"));
}

TEST(RemovableDrives, FollowsUuidAndMapperLinks)
{
    TFakeMachine machine;
    BuildLaptop(machine);
    machine.AddDevLink("disk/by-uuid/ABCD-1234", "../../sdb1");
    machine.AddDevLink("disk/by-uuid/0000-HOME", "../../sda2");
    machine.AddMapped("dm-0", "secret", {"sdc2"});
    machine.AddMapped("dm-1", "system", {"sda3"});
    machine.SetMounts("/dev/disk/by-uuid/0000-HOME /home ext4 rw 0 0\n"
                      "/dev/disk/by-uuid/ABCD-1234 /mnt/uuid vfat rw 0 0\n"
                      "/dev/mapper/system /srv ext4 rw 0 0\n"
                      "/dev/mapper/secret /mnt/secret ext4 rw 0 0\n"
                      "/dev/disk/by-uuid/DANGLING /mnt/gone vfat rw 0 0\n");
    const auto roots = RemovableDriveRoots(machine.Sources);
    ASSERT_TRUE(roots.has_value());
    EXPECT_THAT(*roots, ElementsAre("/mnt/uuid/", "/mnt/secret/"));
}

TEST(RemovableDrives, TellsEachKindOfDevice)
{
    TFakeMachine machine;
    BuildLaptop(machine);
    EXPECT_FALSE(IsRemovableBlockDevice(machine.Sources, "sda1"));
    EXPECT_FALSE(IsRemovableBlockDevice(machine.Sources, "sda"));
    EXPECT_TRUE(IsRemovableBlockDevice(machine.Sources, "sdb1"));
    EXPECT_TRUE(IsRemovableBlockDevice(machine.Sources, "sdc1"));
    EXPECT_TRUE(IsRemovableBlockDevice(machine.Sources, "mmcblk0p1"));
    EXPECT_FALSE(IsRemovableBlockDevice(machine.Sources, "sdz1")); // not in sysfs
    EXPECT_FALSE(IsRemovableBlockDevice(machine.Sources, "../block"));
}

TEST(RemovableDrives, ATreeUnderAFolderNamedUsbIsNoUsbDisk)
{
    TFakeMachine machine("usbhost");
    machine.AddDisk("pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0", "sda", false, {"sda1"});
    EXPECT_FALSE(IsRemovableBlockDevice(machine.Sources, "sda1"));
}

TEST(RemovableDrives, NoRemovableMountGivesAnEmptyList)
{
    TFakeMachine machine;
    BuildLaptop(machine);
    machine.SetMounts("/dev/sda1 / ext4 rw 0 0\n");
    const auto roots = RemovableDriveRoots(machine.Sources);
    ASSERT_TRUE(roots.has_value());
    EXPECT_THAT(*roots, IsEmpty());
}

TEST(RemovableDrives, AnUnreadableMountTableGivesNothing)
{
    TFakeMachine machine;
    BuildLaptop(machine);
    EXPECT_FALSE(RemovableDriveRoots(machine.Sources).has_value()); // no mounts file
    machine.Sources.MountsPath = machine.Sources.SysRoot;           // a folder
    EXPECT_FALSE(RemovableDriveRoots(machine.Sources).has_value());
}
