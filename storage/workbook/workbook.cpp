#include "storage/workbook/workbook.h"

#include "model/error.h"
#include "storage/fileio.h"
#include "storage/workbook/odsreader.h"
#include "storage/workbook/xlsreader.h"
#include "storage/workbook/xlsxreader.h"
#include "storage/workbook/zippackage.h"

namespace {

bool StartsWith(std::string_view bytes, std::string_view prefix)
{
    return bytes.substr(0, prefix.size()) == prefix;
}

} // namespace

TWorkbookKind PackageKind(TPackage &package)
{
    if (package.Has("xl/workbook.xml"))
        return TWorkbookKind::Xlsx;
    if (package.Has("content.xml") && package.Has("mimetype")) {
        const std::optional<std::string> mimetype = package.Read("mimetype");
        if (mimetype && *mimetype == "application/vnd.oasis.opendocument.spreadsheet")
            return TWorkbookKind::Ods;
    }
    return TWorkbookKind::Unknown;
}

TCellGrid ReadWorkbookCells(std::string_view bytes, const std::string &name)
{
    if (StartsWith(bytes, "PK\x03\x04")) {
        TZipPackage package(bytes, name);
        switch (PackageKind(package)) {
        case TWorkbookKind::Xlsx:
            return ReadXlsxCells(package, name);
        case TWorkbookKind::Ods:
            // An encrypted package keeps its manifest readable, and says there how each part is encrypted.
            if (const std::optional<std::string> manifest = package.Read("META-INF/manifest.xml");
                manifest && manifest->find("encryption-data") != std::string::npos)
                throw TFormatError(PasswordMessage(name));
            return ReadOdsCells(package, name);
        default:
            break;
        }
    } else if (StartsWith(bytes, std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))) {
        return ReadXlsCells(bytes, name);
    }
    throw TFormatError(NotAWorkbookMessage(name));
}

TCellGrid ReadWorkbookFile(const std::string &path)
{
    // The file layer reads regular files only, and none larger than the limit.
    return ReadWorkbookCells(ReadWholeFile(path, MaxWorkbookFileBytes), path);
}
