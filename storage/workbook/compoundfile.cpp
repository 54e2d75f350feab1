#include "storage/workbook/compoundfile.h"

#include "storage/workbook/littleendian.h"

#include <string>
#include <vector>

namespace {

constexpr uint32_t EndOfChain = 0xFFFFFFFE;
constexpr uint32_t FreeSector = 0xFFFFFFFF;
constexpr size_t HeaderDifatEntries = 109;
constexpr size_t DirectoryEntrySize = 128;
constexpr uint8_t StreamEntry = 2;

class TCompoundFile
{
public:
    explicit TCompoundFile(std::string_view bytes) : Bytes(bytes) {}

    /// The workbook stream, "Workbook" before "Book"; nothing when there is none or the file is
    /// malformed.
    std::optional<std::string> WorkbookStream()
    {
        const std::optional<std::string> directory = Directory();
        if (!directory)
            return std::nullopt;
        std::optional<std::string_view> found;
        for (size_t pos = 0; pos + DirectoryEntrySize <= directory->size(); pos += DirectoryEntrySize) {
            const std::string_view entry = std::string_view(*directory).substr(pos, DirectoryEntrySize);
            if (uint8_t(entry[0x42]) != StreamEntry)
                continue;
            const std::string name = EntryName(entry);
            if (name == "workbook" || (name == "book" && !found))
                found = entry;
            if (name == "workbook")
                break;
        }
        if (!found)
            return std::nullopt;
        return StreamOf(*found, *directory);
    }

    /// True when the directory names a stream of this name (lower case).
    bool HasStream(std::string_view wanted)
    {
        const std::optional<std::string> directory = Directory();
        for (size_t pos = 0; directory && pos + DirectoryEntrySize <= directory->size(); pos += DirectoryEntrySize) {
            const std::string_view entry = std::string_view(*directory).substr(pos, DirectoryEntrySize);
            if (uint8_t(entry[0x42]) == StreamEntry && EntryName(entry) == wanted)
                return true;
        }
        return false;
    }

private:
    /// The directory's entries, after the header and the FAT were found sound; nothing otherwise.
    std::optional<std::string> Directory()
    {
        if (Bytes.size() < 512)
            return std::nullopt;
        const uint32_t shift = Le16(Bytes, 0x1E);
        if (shift != 9 && shift != 12)
            return std::nullopt;
        SectorSize = size_t(1) << shift;
        if (Bytes.size() / SectorSize < 2)
            return std::nullopt;                     // not even one sector behind the header
        SectorCount = Bytes.size() / SectorSize - 1; // the header takes the place of sector -1
        if (!ReadFat())
            return std::nullopt;
        std::optional<std::string> directory = Chain(Fat, Le32(Bytes, 0x30), SectorSize, Sectors());
        if (!directory || directory->size() < DirectoryEntrySize)
            return std::nullopt;
        return directory;
    }

    /// The FAT, from the 109 sector numbers in the header and the chain of DIFAT sectors.
    bool ReadFat()
    {
        Fat.clear();
        std::vector<uint32_t> fatSectors;
        for (size_t k = 0; k < HeaderDifatEntries; ++k)
            fatSectors.push_back(Le32(Bytes, 0x4C + 4 * k));
        uint32_t difat = Le32(Bytes, 0x44);
        const size_t perSector = SectorSize / 4 - 1;
        for (size_t steps = 0; difat < SectorCount; ++steps) {
            if (steps > SectorCount)
                return false; // a loop
            const size_t base = (size_t(difat) + 1) * SectorSize;
            for (size_t k = 0; k < perSector; ++k)
                fatSectors.push_back(Le32(Bytes, base + 4 * k));
            difat = Le32(Bytes, base + 4 * perSector);
        }
        size_t used = 0;
        for (const uint32_t sector : fatSectors) {
            if (sector == FreeSector || sector == EndOfChain)
                continue;
            if (sector >= SectorCount || ++used > SectorCount)
                return false;
            const size_t base = (size_t(sector) + 1) * SectorSize;
            for (size_t k = 0; k < SectorSize / 4; ++k)
                Fat.push_back(Le32(Bytes, base + 4 * k));
        }
        return !Fat.empty();
    }

    /// The sectors behind the header: sector n starts at n times the sector size.
    std::string_view Sectors() const { return Bytes.substr(SectorSize); }

    /// The bytes of a chain of sectors of the given size within data, found through table.
    static std::optional<std::string> Chain(const std::vector<uint32_t> &table, uint32_t start, size_t size,
                                            std::string_view data)
    {
        std::string out;
        const size_t count = data.size() / size;
        for (uint32_t sector = start; sector != EndOfChain;) {
            if (sector >= table.size() || sector >= count || out.size() / size >= count)
                return std::nullopt; // outside the file, or longer than the file: damaged or a loop
            out.append(data.substr(size_t(sector) * size, size));
            sector = table[sector];
        }
        return out;
    }

    /// The entry's name in lower case, other than ASCII letters as "?".
    static std::string EntryName(std::string_view entry)
    {
        const uint32_t length = Le16(entry, 0x40); // in bytes, with the closing zero
        std::string name;
        for (size_t k = 0; k + 2 < length && k + 1 < 64; k += 2)
            name.push_back(Le16(entry, k) < 128 ? char(Le16(entry, k) | 0x20) : '?');
        return name;
    }

    std::optional<std::string> StreamOf(std::string_view entry, const std::string &directory)
    {
        const uint32_t start = Le32(entry, 0x74);
        const size_t size = Le32(entry, 0x78); // the upper half is unused in version 3 files
        std::optional<std::string> stream;
        if (size < Le32(Bytes, 0x38)) {
            // Small streams live in the mini stream, which is the root entry's chain.
            const std::optional<std::string> miniFatBytes = Chain(Fat, Le32(Bytes, 0x3C), SectorSize, Sectors());
            const std::optional<std::string> mini = Chain(Fat, Le32(directory, 0x74), SectorSize, Sectors());
            if (!miniFatBytes || !mini)
                return std::nullopt;
            std::vector<uint32_t> miniFat;
            for (size_t pos = 0; pos + 4 <= miniFatBytes->size(); pos += 4)
                miniFat.push_back(Le32(*miniFatBytes, pos));
            stream = Chain(miniFat, start, 64, *mini);
        } else {
            stream = Chain(Fat, start, SectorSize, Sectors());
        }
        if (stream && stream->size() > size)
            stream->resize(size);
        return stream;
    }

    std::string_view Bytes;
    size_t SectorSize = 512;
    size_t SectorCount = 0;
    std::vector<uint32_t> Fat;
};

} // namespace

std::optional<std::string> CompoundWorkbookStream(std::string_view bytes)
{
    return TCompoundFile(bytes).WorkbookStream();
}

bool CompoundHoldsEncryptedPackage(std::string_view bytes)
{
    TCompoundFile file(bytes);
    return file.HasStream("encryptioninfo") && file.HasStream("encryptedpackage");
}
