#include "device/drives.h"
#include "storage/fileio.h"
#include "tests/core/support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr uint64_t GiB = uint64_t(1) << 30;

void Write(const fs::path &path, const std::string &text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::app) << text;
}

void Link(const fs::path &target, const fs::path &link)
{
    fs::create_directories(link.parent_path());
    fs::create_symlink(fs::relative(target, link.parent_path()), link);
}

// A machine of our own under a temporary folder, laid out as the kernel and udev lay out theirs:
// /sys/devices/<bus path>/block/<disk>/<partition>, with /sys/block and /sys/class/block linking
// into it, <disk>/device linking to the bus device, /dev nodes and /dev/disk/by-label links.
class TFakeMachine
{
public:
    TFakeMachine() : Root(Top.Path / "machine"), Sources(TDriveSources::UnderRoot(Root.string()))
    {
        Write(Root / "proc/self/mounts", "proc /proc proc rw 0 0\n");
        Write(Root / "proc/swaps", "Filename\tType\tSize\tUsed\tPriority\n");
    }

    // type: the mmc card's own type file ("SD", "MMC"), "" for none. Partitions of 1 GiB.
    void AddDisk(const std::string &busPath, const std::string &disk, bool removable, const std::string &type,
                 std::initializer_list<std::string> partitions)
    {
        const fs::path sys = Root / "sys", bus = sys / "devices" / busPath, dir = bus / "block" / disk;
        Write(dir / "removable", removable ? "1\n" : "0\n");
        Write(dir / "size", std::to_string(partitions.size() * GiB / 512) + "\n");
        if (!type.empty())
            Write(bus / "type", type + "\n");
        Link(bus, dir / "device");
        Link(dir, sys / "block" / disk);
        Link(dir, sys / "class/block" / disk);
        Write(Root / "dev" / disk, "");
        for (const std::string &part : partitions) {
            Write(dir / part / "partition", "1\n");
            Write(dir / part / "size", std::to_string(GiB / 512) + "\n");
            Link(dir / part, sys / "class/block" / part);
            Write(Root / "dev" / part, "");
        }
    }
    void Mount(const std::string &device, const std::string &folder)
    {
        Write(Root / "proc/self/mounts", device + " " + folder + " vfat rw 0 0\n");
    }
    void Swap(const std::string &device) { Write(Root / "proc/swaps", device + "\tpartition\t1\t0\t-2\n"); }
    // udev's escaped name, "MY\x20STICK", as the link name.
    void Label(const std::string &udevName, const std::string &part)
    {
        Link(Root / "dev" / part, Root / "dev/disk/by-label" / udevName);
    }
    // What the card writer offers, as its choice shows it, with the device.
    std::vector<std::string> Offered() const
    {
        std::vector<std::string> shown;
        const std::vector<TDrive> drives = RemovableDrives(Sources).value();
        for (const TDrive &drive : drives)
            shown.push_back(DriveChoiceText(drive) + " " + drive.Device);
        return shown;
    }

    TTempFolder Top;
    fs::path Root;
    TDriveSources Sources;
};

const std::string Emmc = "platform/soc/7c4000.mmc/mmc_host/mmc0/mmc0:0001";
const std::string SdSlot = "platform/soc/8804000.mmc/mmc_host/mmc1/mmc1:aaaa";
const std::string UsbPort1 = "pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0/host2/target2:0:0/2:0:0:0";
const std::string UsbPort2 = "pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/host3/target3:0:0/3:0:0:0";
const std::string Sata = "pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0";
const std::string CardReader = "pci0000:00/0000:00:1d.0/host4/target4:0:0/4:0:0:0";

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

TEST(RemovableDrives, EmmcLaptopOffersTheCardAndTheStickNeverTheSystemDisk)
{
    TFakeMachine machine;
    machine.AddDisk(Emmc, "mmcblk0", false, "MMC", {"mmcblk0p1", "mmcblk0p2", "mmcblk0p3", "mmcblk0p4"});
    machine.AddDisk(SdSlot, "mmcblk1", false, "SD", {"mmcblk1p1"});
    machine.AddDisk(UsbPort1, "sda", false, "", {"sda1"});
    machine.Mount("/dev/mmcblk0p2", "/");
    machine.Mount("/dev/mmcblk0p1", "/boot/efi");
    machine.Mount("/dev/mmcblk0p4", "/media/op/DATA"); // on the system disk: never offered
    machine.Swap("/dev/mmcblk0p3");
    machine.Mount("/dev/mmcblk1p1", "/media/op/CARD");
    machine.Mount("/dev/sda1", "/media/op/MY\\040STICK");
    machine.Label("CARD", "mmcblk1p1");
    machine.Label("MY\\x20STICK", "sda1");
    EXPECT_THAT(machine.Offered(), ElementsAre("/media/op/CARD (CARD, 1,0 ГБ) /dev/mmcblk1p1",
                                               "/media/op/MY STICK (MY STICK, 1,0 ГБ) /dev/sda1"));
}

TEST(RemovableDrives, UsbBootedSystemOffersOnlyTheSecondStick)
{
    TFakeMachine machine;
    machine.AddDisk(UsbPort1, "sda", false, "", {"sda1", "sda2", "sda3"});
    machine.AddDisk(UsbPort2, "sdb", false, "", {"sdb1"});
    machine.AddDisk(CardReader, "sdc", true, "", {"sdc1"});
    machine.AddDisk(Sata, "sdd", false, "", {"sdd1"});
    machine.Mount("/dev/sda2", "/");
    machine.Mount("/dev/sda1", "/boot/efi");
    machine.Mount("/dev/sda3", "/media/op/DATA");
    machine.Mount("/dev/sdc1", "/home"); // removable=1 does not make a system disk a card
    machine.Mount("/dev/sdd1", "/mnt/archive");
    machine.Mount("/dev/sdb1", "/media/op/STICK");
    EXPECT_THAT(machine.Offered(), ElementsAre("/media/op/STICK (1,0 ГБ) /dev/sdb1"));
}

TEST(RemovableDrives, ADiskHoldingAnySystemFolderOrTheLiveSystemIsNeverOffered)
{
    // / on the internal disk; the folder (or swap, or live stick) on a USB or SD disk beside a card.
    struct TCase
    {
        const char *Folder; // "swap" for a swap partition
        const char *Bus;
        const char *Disk;
    } cases[] = {
        {"/boot", UsbPort1.c_str(), "sdb"},
        {"/boot/efi", SdSlot.c_str(), "mmcblk1"},
        {"/efi", UsbPort1.c_str(), "sdb"},
        {"/boot/firmware", SdSlot.c_str(), "mmcblk1"},
        {"/usr", UsbPort1.c_str(), "sdb"},
        {"/var", SdSlot.c_str(), "mmcblk1"},
        {"swap", UsbPort1.c_str(), "sdb"},
        {"/run/live/medium", UsbPort1.c_str(), "sdb"},
        {"/run/live/persistence/sdb1", UsbPort1.c_str(), "sdb"},
    };
    for (const TCase &c : cases) {
        TFakeMachine machine;
        const std::string p = c.Disk[0] == 'm' ? "p" : "", first = c.Disk + p + "1", second = c.Disk + p + "2";
        machine.AddDisk(Sata, "sda", false, "", {"sda1"});
        machine.AddDisk(c.Bus, c.Disk, false, "SD", {first, second});
        machine.AddDisk(UsbPort2, "sdc", false, "", {"sdc1"});
        machine.Mount("/dev/sda1", "/");
        if (std::string(c.Folder) == "swap")
            machine.Swap("/dev/" + first);
        else
            machine.Mount("/dev/" + first, c.Folder);
        machine.Mount("/dev/" + second, "/media/op/DATA"); // the same disk: not offered either
        machine.Mount("/dev/sdc1", "/media/op/CARD");
        EXPECT_THAT(machine.Offered(), ElementsAre("/media/op/CARD (1,0 ГБ) /dev/sdc1")) << c.Folder;
    }
}

TEST(RemovableDrives, WhichDisksCountAndWhatABlockDeviceLivesOn)
{
    TFakeMachine machine;
    machine.AddDisk(Emmc, "mmcblk0", true, "MMC", {"mmcblk0p1"});
    machine.AddDisk(SdSlot, "mmcblk1", false, "SD", {});
    machine.AddDisk("platform/soc/mmc2/mmc2:0001", "mmcblk2", true, "", {});
    machine.AddDisk(UsbPort1, "sda", false, "", {"sda1"});
    machine.AddDisk(CardReader, "sdb", true, "", {"sdb1"});
    machine.AddDisk(Sata, "sdc", false, "", {});
    // An encrypted stick: dm-0 on sda1.
    machine.AddDisk("virtual/block/dm-0", "dm-0", false, "", {});
    Link(machine.Root / "sys/devices" / UsbPort1 / "block/sda/sda1",
         machine.Root / "sys/devices/virtual/block/dm-0/block/dm-0/slaves/sda1");
    const std::pair<const char *, bool> disks[] = {{"mmcblk0", false}, {"mmcblk1", true},  {"mmcblk2", false},
                                                   {"sda", true},      {"sdb", true},      {"sdc", false},
                                                   {"sdz", false},     {"../block", false}};
    for (const auto &[disk, removable] : disks)
        EXPECT_EQ(IsRemovableDisk(machine.Sources, disk), removable) << disk;
    const std::pair<const char *, std::vector<std::string>> lives[] = {
        {"sdb1", {"sdb"}}, {"mmcblk0p1", {"mmcblk0"}}, {"dm-0", {"sda"}}, {"sdc", {"sdc"}}, {"sdz1", {}}, {"", {}}};
    for (const auto &[name, on] : lives)
        EXPECT_EQ(DisksOf(machine.Sources, name), on) << name;
}

TEST(RemovableDrives, RootShownAsDevRootIsFoundByTheDeviceNumberOfItsFolder)
{
    TFakeMachine machine;
    machine.AddDisk(UsbPort1, "sda", false, "", {"sda1", "sda2"});
    struct stat st = {};
    ASSERT_EQ(::stat(machine.Root.c_str(), &st), 0);
    const std::string number = std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    Link(machine.Root / "sys/devices" / UsbPort1 / "block/sda/sda1", machine.Root / "sys/dev/block" / number);
    machine.Mount("/dev/root", "/");
    machine.Mount("/dev/sda2", "/media/op/DATA");
    EXPECT_THAT(SystemDisks(machine.Sources, ParseMountTable(ReadWholeFile(machine.Sources.MountsPath))),
                ElementsAre("sda"));
    EXPECT_THAT(machine.Offered(), IsEmpty());
}

TEST(RemovableDrives, AnUnreadableMountTableIsNothingAnEmptyOneNoDrive)
{
    TFakeMachine machine;
    EXPECT_EQ(RemovableDrives(machine.Sources), std::vector<TDrive>{});
    fs::remove(machine.Sources.MountsPath);
    EXPECT_FALSE(RemovableDrives(machine.Sources).has_value());
    machine.Sources.MountsPath = machine.Sources.SysRoot; // a folder
    EXPECT_FALSE(RemovableDrives(machine.Sources).has_value());
}

TEST(DriveText, SizesInBinaryUnitsWithADecimalCommaUnknownPartsLeftOut)
{
    const std::pair<uint64_t, const char *> sizes[] = {
        {512, "0,5 КБ"},           {1023 * 1024, "1023,0 КБ"},     {1024 * 1024, "1,0 МБ"},
        {7'948'206'080, "7,4 ГБ"}, {GiB * 2 - GiB / 50, "2,0 ГБ"}, {GiB * 3072, "3,0 ТБ"},
    };
    for (const auto &[bytes, text] : sizes)
        EXPECT_EQ(SizeText(bytes), text) << bytes;
    const std::pair<TDrive, const char *> drives[] = {
        {{"/media/op/CARD", "CARD", 7'948'206'080, "/dev/sdb1"}, "/media/op/CARD (CARD, 7,4 ГБ)"},
        {{"/media/op/1234-ABCD", "", GiB, "/dev/sdb1"}, "/media/op/1234-ABCD (1,0 ГБ)"},
        {{"/mnt/card", "CARD", 0, "/dev/sdb1"}, "/mnt/card (CARD)"},
        {{"/mnt/card", "", 0, "/dev/sdb1"}, "/mnt/card"},
    };
    for (const auto &[drive, text] : drives)
        EXPECT_EQ(DriveChoiceText(drive), text);
}
