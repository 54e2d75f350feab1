#pragma once

#include "storage/workbook/cellgrid.h"

#include <string>
#include <string_view>

struct zip;

/// The parts of a ZIP archive held in memory. Parts are inflated one at a time under the bounds
/// MaxPartBytes and MaxPackageBytes, whatever sizes the archive declares.
class TZipPackage : public TPackage
{
public:
    /// bytes must outlive the package; name only appears in errors. Throws TFormatError when the
    /// bytes are no ZIP archive or one with more entries than any workbook has.
    TZipPackage(std::string_view bytes, std::string name);
    ~TZipPackage() override;
    TZipPackage(const TZipPackage &) = delete;
    TZipPackage &operator=(const TZipPackage &) = delete;

    bool Has(const std::string &part) const override;
    std::optional<std::string> Read(const std::string &part) override;

private:
    zip *Archive = nullptr;
    std::string Name;
    size_t TotalRead = 0;
};
