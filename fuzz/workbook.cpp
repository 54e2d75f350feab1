// Any bytes through the workbook reader and the schedule import.
//
// A ZIP or OLE2 input goes through the whole reader (.xlsx, .ods, .xls). Mutated archives mostly
// fail their checksums before any XML is parsed, so other inputs are taken as the parts of a
// package directly: a first byte 'x' gives the .xlsx parts, 'o' the .ods parts, in this order,
// separated by two NUL bytes.
#include "storage/workbook/workbook.h"
#include "storage/workbook/cellvalue.h"
#include "model/error.h"
#include "storage/workbook/odsreader.h"
#include "storage/spreadsheet.h"
#include "storage/workbook/xlsxreader.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace {

class TMapPackage : public TPackage
{
public:
    bool Has(const std::string &part) const override { return Parts.count(part) != 0; }
    std::optional<std::string> Read(const std::string &part) override
    {
        const auto found = Parts.find(part);
        if (found == Parts.end())
            return std::nullopt;
        return found->second;
    }
    std::map<std::string, std::string> Parts;
};

TMapPackage SplitParts(std::string_view bytes, const std::vector<std::string> &names)
{
    TMapPackage package;
    for (const std::string &name : names) {
        const size_t end = bytes.find(std::string_view("\0\0", 2));
        package.Parts[name] = std::string(bytes.substr(0, end));
        if (end == std::string_view::npos)
            break;
        bytes.remove_prefix(end + 2);
    }
    return package;
}

TCellGrid ReadCells(std::string_view bytes)
{
    if (!bytes.empty() && bytes[0] == 'x') {
        TMapPackage package = SplitParts(bytes.substr(1), {"xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                                                           "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"});
        return ReadXlsxCells(package, "fuzz.xlsx");
    }
    if (!bytes.empty() && bytes[0] == 'o') {
        TMapPackage package = SplitParts(bytes.substr(1), {"content.xml", "settings.xml"});
        package.Parts["mimetype"] = "application/vnd.oasis.opendocument.spreadsheet";
        if (PackageKind(package) != TWorkbookKind::Ods)
            __builtin_trap();
        return ReadOdsCells(package, "fuzz.ods");
    }
    return ReadWorkbookCells(bytes, "fuzz");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    try {
        const TCellGrid grid = ReadCells(bytes);
        TProject project;
        const TImportResult result = ImportCellGrid(grid, project);
        // Whatever was read, a project with a device type came out, or the project is untouched.
        if ((result == TImportResult::Imported) != (project.DeviceType != 0))
            __builtin_trap();
    } catch (const TSigError &) {
        // A named refusal is the expected outcome for most inputs.
    }
    return 0;
}
