#include "storage/workbook/xlsxreader.h"

#include "model/error.h"
#include "model/lib.h"
#include "storage/workbook/cellvalue.h"
#include "storage/workbook/workbookxml.h"

#include <charconv>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::string_view WorkbookPart = "xl/workbook.xml";
constexpr std::string_view WorkbookRelsPart = "xl/_rels/workbook.xml.rels";

/// A parsed part; the document points into Bytes, so both live together.
struct TXmlPart
{
    std::string Bytes;
    pugi::xml_document Document;
};

/// Reads and parses a part; false when it is missing. A part that is there but no XML is damage.
bool LoadPart(TPackage &package, const std::string &part, const std::string &name, TXmlPart &out)
{
    std::optional<std::string> bytes = package.Read(part);
    if (!bytes)
        return false;
    out.Bytes = std::move(*bytes);
    if (!ParseXmlPart(out.Document, out.Bytes, name))
        throw TFormatError(DamagedMessage(name));
    return true;
}

std::optional<int64_t> WholeNumber(std::string_view text, int64_t limit)
{
    text = TrimControl(text);
    int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc{} || result.ptr != text.data() + text.size() || value < 0 || value > limit)
        return std::nullopt;
    return value;
}

/// The text of a shared or inline string: its <t>, or the <t> of every rich text run, as far as a
/// cell keeps. Phonetic runs (<rPh>) are not part of the value.
std::string StringItemText(const pugi::xml_node &item)
{
    std::string text;
    for (pugi::xml_node child = item.first_child(); child && text.size() < TCellGrid::MaxReadBytes;
         child = child.next_sibling()) {
        if (IsElement(child, "t")) {
            AppendCellText(text, child.text().get());
        } else if (IsElement(child, "r")) {
            for (pugi::xml_node run = child.first_child(); run; run = run.next_sibling()) {
                if (IsElement(run, "t"))
                    AppendCellText(text, run.text().get());
            }
        }
    }
    return text;
}

/// A number cell's value as an application hands it over; text that is no number stays as it is.
void SetNumberCell(TCellGrid &grid, int64_t row, int64_t column, std::string_view value)
{
    const std::string_view trimmed = TrimControl(value);
    double number = 0;
    const auto result = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), number);
    if (trimmed.empty() || result.ec != std::errc{} || result.ptr != trimmed.data() + trimmed.size())
        grid.Set(row, column, value);
    else
        grid.Set(row, column, NumberText(number));
}

struct TSharedStringCell
{
    int64_t Row;
    int64_t Column;
    int64_t Index;
};

class TXlsxReader
{
public:
    TXlsxReader(TPackage &package, const std::string &name) : Package(package), Name(name) {}

    TCellGrid Read()
    {
        TCellGrid grid;
        if (!ReadWorkbookPart())
            return grid;
        {
            // One large part at a time: the sheet is let go before the shared strings are loaded.
            TXmlPart sheet;
            if (!LoadPart(Package, SheetPart, Name, sheet))
                throw TFormatError(DamagedMessage(Name));
            ReadSheet(sheet.Document.document_element(), grid);
        }
        ResolveSharedStrings(grid);
        return grid;
    }

private:
    /// Reads the workbook's settings and finds the parts of its active sheet; false when it has
    /// no sheet.
    bool ReadWorkbookPart()
    {
        TXmlPart workbook;
        if (!LoadPart(Package, std::string(WorkbookPart), Name, workbook))
            throw TFormatError(DamagedMessage(Name));
        const pugi::xml_node root = workbook.Document.document_element();
        const pugi::xml_node properties = ChildElement(root, "workbookPr");
        const std::string_view date1904 = LocalAttribute(properties, "date1904").value();
        Date1904 = date1904 == "1" || date1904 == "true";

        std::vector<pugi::xml_node> sheets;
        for (pugi::xml_node sheet = ChildElement(root, "sheets").first_child(); sheet; sheet = sheet.next_sibling()) {
            if (IsElement(sheet, "sheet"))
                sheets.push_back(sheet);
        }
        if (sheets.empty())
            return false;
        const pugi::xml_node view = ChildElement(ChildElement(root, "bookViews"), "workbookView");
        const std::optional<int64_t> active = WholeNumber(LocalAttribute(view, "activeTab").value(), 65535);
        const size_t index = active && size_t(*active) < sheets.size() ? size_t(*active) : 0;
        const std::string sheetId = LocalAttribute(sheets[index], "id").value();
        // Let go before the relationships are parsed: never two large parts at once.
        workbook.Document.reset();
        workbook.Bytes = std::string();
        FindParts(sheetId, index);
        return true;
    }

    /// Finds the chosen sheet's part and the shared strings through the workbook's relationships;
    /// the usual names stand in where a workbook leaves them out.
    void FindParts(std::string_view sheetId, size_t index)
    {
        SheetPart = "xl/worksheets/sheet" + std::to_string(index + 1) + ".xml";
        SharedStringsPart = "xl/sharedStrings.xml";
        TXmlPart rels;
        if (!LoadPart(Package, std::string(WorkbookRelsPart), Name, rels))
            return;
        bool sheetFound = false;
        bool stringsFound = false;
        for (pugi::xml_node rel = rels.Document.document_element().first_child(); rel; rel = rel.next_sibling()) {
            if (!IsElement(rel, "Relationship"))
                continue;
            // A workbook may point outside itself; such links are never followed.
            if (std::string_view(LocalAttribute(rel, "TargetMode").value()) == "External")
                continue;
            const std::string_view type = LocalAttribute(rel, "Type").value();
            const std::string target = ResolvePartName("xl/", LocalAttribute(rel, "Target").value());
            if (!sheetFound && !sheetId.empty() && sheetId == LocalAttribute(rel, "Id").value()) {
                SheetPart = target;
                sheetFound = true;
            } else if (!stringsFound && type.size() >= 14 && type.substr(type.size() - 14) == "/sharedStrings") {
                SharedStringsPart = target;
                stringsFound = true;
            }
        }
    }

    void ReadSheet(const pugi::xml_node &worksheet, TCellGrid &grid)
    {
        int64_t rowNumber = 0;
        for (pugi::xml_node row = ChildElement(worksheet, "sheetData").first_child(); row; row = row.next_sibling()) {
            if (!IsElement(row, "row"))
                continue;
            // A row or cell without its number follows the one before it.
            const std::optional<int64_t> number = WholeNumber(LocalAttribute(row, "r").value(), int64_t(1) << 40);
            rowNumber = number ? *number : rowNumber + 1;
            int64_t column = 0;
            for (pugi::xml_node cell = row.first_child(); cell; cell = cell.next_sibling()) {
                if (!IsElement(cell, "c"))
                    continue;
                int64_t cellRow = rowNumber;
                if (const std::optional<TCellRef> ref = ParseCellRef(LocalAttribute(cell, "r").value())) {
                    cellRow = ref->Row;
                    column = ref->Column;
                } else {
                    ++column;
                }
                if (TCellGrid::Inside(cellRow, column))
                    ReadCell(cell, cellRow, column, grid);
            }
        }
    }

    void ReadCell(const pugi::xml_node &cell, int64_t row, int64_t column, TCellGrid &grid)
    {
        const std::string_view type = LocalAttribute(cell, "t").value();
        const std::string_view value = ChildElement(cell, "v").text().get();
        if (type == "s") {
            if (const std::optional<int64_t> index = WholeNumber(value, int64_t(1) << 40))
                SharedStringCells.push_back({row, column, *index});
            grid.Set(row, column, "");
        } else if (type == "inlineStr") {
            grid.Set(row, column, StringItemText(ChildElement(cell, "is")));
        } else if (type == "b") {
            const std::string_view flag = TrimControl(value);
            grid.Set(row, column, flag == "1" || flag == "true" ? "TRUE" : flag.empty() ? "" : "FALSE");
        } else if (type == "str" || type == "e") {
            grid.Set(row, column, value);
        } else if (type == "d") {
            const std::optional<double> serial = ExcelSerialFromIsoDateTime(TrimControl(value), Date1904);
            if (serial)
                grid.Set(row, column, NumberText(*serial));
            else
                grid.Set(row, column, value);
        } else {
            SetNumberCell(grid, row, column, value);
        }
    }

    /// Shared strings are looked up only when a cell of the grid uses them, and each is put
    /// together once however many cells use it.
    void ResolveSharedStrings(TCellGrid &grid)
    {
        if (SharedStringCells.empty())
            return;
        TXmlPart strings;
        if (!LoadPart(Package, SharedStringsPart, Name, strings))
            return;
        std::vector<pugi::xml_node> items;
        for (pugi::xml_node item = strings.Document.document_element().first_child(); item;
             item = item.next_sibling()) {
            if (IsElement(item, "si"))
                items.push_back(item);
        }
        std::unordered_map<int64_t, std::string> texts;
        for (const TSharedStringCell &cell : SharedStringCells) {
            if (cell.Index >= int64_t(items.size()))
                continue;
            auto [text, fresh] = texts.try_emplace(cell.Index);
            if (fresh)
                text->second = StringItemText(items[size_t(cell.Index)]);
            grid.Set(cell.Row, cell.Column, text->second);
        }
    }

    TPackage &Package;
    const std::string &Name;
    bool Date1904 = false;
    std::string SheetPart;
    std::string SharedStringsPart;
    std::vector<TSharedStringCell> SharedStringCells;
};

} // namespace

std::optional<TCellRef> ParseCellRef(std::string_view text)
{
    size_t pos = 0;
    if (pos < text.size() && text[pos] == '$')
        ++pos;
    TCellRef ref;
    size_t letters = 0;
    for (; pos < text.size() && letters < 4; ++pos, ++letters) {
        const char c = text[pos];
        if (c >= 'A' && c <= 'Z')
            ref.Column = ref.Column * 26 + (c - 'A' + 1);
        else if (c >= 'a' && c <= 'z')
            ref.Column = ref.Column * 26 + (c - 'a' + 1);
        else
            break;
    }
    if (letters == 0 || letters > 3)
        return std::nullopt;
    if (pos < text.size() && text[pos] == '$')
        ++pos;
    const std::string_view digits = text.substr(pos);
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    std::from_chars(digits.data(), digits.data() + digits.size(), ref.Row);
    if (ref.Row < 1)
        return std::nullopt;
    return ref;
}

std::string ResolvePartName(std::string_view folder, std::string_view target)
{
    std::string joined = !target.empty() && target.front() == '/' ? std::string(target.substr(1))
                                                                  : std::string(folder) + std::string(target);
    std::vector<std::string_view> segments;
    std::string_view rest = joined;
    while (!rest.empty()) {
        const size_t slash = rest.find('/');
        const std::string_view segment = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (segment.empty() || segment == ".")
            continue;
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
            continue;
        }
        segments.push_back(segment);
    }
    std::string part;
    for (const std::string_view segment : segments) {
        if (!part.empty())
            part += '/';
        part += segment;
    }
    return part;
}

TCellGrid ReadXlsxCells(TPackage &package, const std::string &name)
{
    return TXlsxReader(package, name).Read();
}
