#include "storage/workbook/zippackage.h"

#include "model/error.h"
#include "storage/workbook/littleendian.h"

#include <zip.h>

namespace {

/// More entries than any workbook has; the archive's directory would cost memory for nothing.
constexpr uint32_t MaxEntries = 10000;

/// The entry count of the end-of-directory record, found before the archive library builds its
/// directory; 0xFFFF (a ZIP64 archive) counts as too many. Nothing when there is no such record.
std::optional<uint32_t> DeclaredEntries(std::string_view bytes)
{
    constexpr size_t RecordSize = 22;
    if (bytes.size() < RecordSize)
        return std::nullopt;
    // The record ends the archive, followed by a comment of at most 65535 bytes.
    const size_t lowest = bytes.size() > RecordSize + 65535 ? bytes.size() - RecordSize - 65535 : 0;
    for (size_t pos = bytes.size() - RecordSize + 1; pos-- > lowest;) {
        if (bytes.compare(pos, 4, "PK\x05\x06") == 0)
            return Le16(bytes, pos + 10);
    }
    return std::nullopt;
}

} // namespace

TZipPackage::TZipPackage(std::string_view bytes, std::string name) : Name(std::move(name))
{
    const std::optional<uint32_t> entries = DeclaredEntries(bytes);
    if (!entries)
        throw TFormatError(DamagedMessage(Name));
    if (*entries > MaxEntries)
        throw TFormatError(TooLargeMessage(Name));
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source != nullptr)
        Archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (Archive == nullptr) {
        if (source != nullptr)
            zip_source_free(source);
        throw TFormatError(DamagedMessage(Name));
    }
}

TZipPackage::~TZipPackage()
{
    zip_discard(Archive);
}

bool TZipPackage::Has(const std::string &part) const
{
    return zip_name_locate(Archive, part.c_str(), 0) >= 0;
}

std::optional<std::string> TZipPackage::Read(const std::string &part)
{
    const zip_int64_t index = zip_name_locate(Archive, part.c_str(), 0);
    if (index < 0)
        return std::nullopt;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(Archive, zip_uint64_t(index), 0, &stat) != 0 || (stat.valid & ZIP_STAT_SIZE) == 0)
        throw TFormatError(DamagedMessage(Name));
    // The declared size is checked before anything is inflated, the actual count while inflating.
    if (stat.size > MaxPartBytes || TotalRead + stat.size > MaxPackageBytes)
        throw TFormatError(TooLargeMessage(Name));
    zip_file_t *file = zip_fopen_index(Archive, zip_uint64_t(index), 0);
    if (file == nullptr)
        throw TFormatError(DamagedMessage(Name));
    std::string bytes;
    bytes.reserve(size_t(stat.size));
    char buffer[65536];
    bool damaged = false;
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
        if (n < 0) {
            damaged = true;
            break;
        }
        if (n == 0)
            break;
        if (bytes.size() + size_t(n) > stat.size) {
            damaged = true; // inflates to more than it declares
            break;
        }
        bytes.append(buffer, size_t(n));
    }
    zip_fclose(file);
    if (damaged || bytes.size() != stat.size)
        throw TFormatError(DamagedMessage(Name));
    TotalRead += bytes.size();
    return bytes;
}
