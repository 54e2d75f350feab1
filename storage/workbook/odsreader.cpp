#include "storage/workbook/odsreader.h"

#include "model/error.h"
#include "model/lib.h"
#include "storage/workbook/cellvalue.h"
#include "storage/workbook/workbookxml.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

namespace {

/// Row groups and text spans nest; deeper nesting than any application writes is not followed.
constexpr int MaxDepth = 32;

/// A repeat count; anything but a positive number counts once, and huge counts saturate.
int64_t RepeatCount(const pugi::xml_node &node, std::string_view attribute)
{
    const std::string_view text = TrimControl(LocalAttribute(node, attribute).value());
    int64_t count = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), count);
    if (text.empty() || result.ptr != text.data() + text.size())
        return 1;
    if (result.ec == std::errc::result_out_of_range)
        return int64_t(1) << 40;
    return count < 1 ? 1 : std::min(count, int64_t(1) << 40);
}

/// Text content of a paragraph: blanks (<text:s text:c="n"/>), tabs and line breaks as the
/// characters they stand for, spans and links by their text; notes are not part of the value.
void AppendText(const pugi::xml_node &node, std::string &out, int depth)
{
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (out.size() >= TCellGrid::MaxReadBytes)
            return;
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
            AppendCellText(out, child.value());
        } else if (IsElement(child, "s")) {
            const int64_t blanks = RepeatCount(child, "c");
            out.append(size_t(std::min<int64_t>(blanks, int64_t(TCellGrid::MaxReadBytes - out.size()))), ' ');
        } else if (IsElement(child, "tab")) {
            out += '\t';
        } else if (IsElement(child, "line-break")) {
            out += '\n';
        } else if (child.type() == pugi::node_element && !IsElement(child, "annotation") && !IsElement(child, "note") &&
                   depth < MaxDepth) {
            AppendText(child, out, depth + 1);
        }
    }
}

std::string ParagraphsText(const pugi::xml_node &cell)
{
    std::string text;
    bool first = true;
    for (pugi::xml_node child = cell.first_child(); child && text.size() < TCellGrid::MaxReadBytes;
         child = child.next_sibling()) {
        if (!IsElement(child, "p"))
            continue;
        if (!first)
            text += '\n';
        first = false;
        AppendText(child, text, 0);
    }
    return text;
}

std::optional<double> Number(std::string_view text)
{
    text = TrimControl(text);
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

/// The value of a cell as the application hands it over: numbers, dates and times as numbers,
/// booleans as TRUE/FALSE, texts as their paragraphs.
std::string CellText(const pugi::xml_node &cell, int64_t nullDate)
{
    const std::string_view type = LocalAttribute(cell, "value-type").value();
    std::optional<double> number;
    if (type == "float" || type == "percentage" || type == "currency")
        number = Number(LocalAttribute(cell, "value").value());
    else if (type == "date")
        number = SerialFromIsoDateTime(TrimControl(LocalAttribute(cell, "date-value").value()), nullDate);
    else if (type == "time")
        number = DurationDays(TrimControl(LocalAttribute(cell, "time-value").value()));
    if (number)
        return NumberText(*number);
    if (type == "boolean") {
        const std::string_view flag = TrimControl(LocalAttribute(cell, "boolean-value").value());
        return flag == "true" || flag == "1" ? "TRUE" : "FALSE";
    }
    if (type == "string") {
        if (const pugi::xml_attribute value = LocalAttribute(cell, "string-value")) {
            std::string text;
            AppendCellText(text, value.value());
            return text;
        }
    }
    return ParagraphsText(cell);
}

class TOdsReader
{
public:
    explicit TOdsReader(int64_t nullDate) : NullDate(nullDate) {}

    void ReadTable(const pugi::xml_node &table, TCellGrid &grid) { ReadRows(table, grid, 0); }

private:
    /// Walks the rows of a table, of its header rows and of its (nested) row groups in order.
    /// Returns false once the rows are past the grid or the grid is full.
    bool ReadRows(const pugi::xml_node &parent, TCellGrid &grid, int depth)
    {
        for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
            if (IsElement(child, "table-row")) {
                const int64_t repeat = RepeatCount(child, "number-rows-repeated");
                ReadRow(child, grid, repeat);
                RowsDone += repeat;
                if (RowsDone >= TCellGrid::MaxRow || grid.Full())
                    return false;
            } else if ((IsElement(child, "table-header-rows") || IsElement(child, "table-row-group") ||
                        IsElement(child, "table-rows")) &&
                       depth < MaxDepth) {
                if (!ReadRows(child, grid, depth + 1))
                    return false;
            }
        }
        return true;
    }

    /// Reads one row and stores it in the next copies rows. A repeat is spelt out only while the
    /// grid takes more, whatever it declares; a repeated row without text costs nothing.
    void ReadRow(const pugi::xml_node &row, TCellGrid &grid, int64_t copies)
    {
        std::vector<std::pair<int64_t, std::string>> texts; // (first column, text)
        std::vector<int64_t> repeats;
        int64_t column = 0;
        for (pugi::xml_node cell = row.first_child(); cell && column < TCellGrid::Columns; cell = cell.next_sibling()) {
            if (!IsElement(cell, "table-cell") && !IsElement(cell, "covered-table-cell"))
                continue;
            const int64_t repeat = std::min<int64_t>(RepeatCount(cell, "number-columns-repeated"), TCellGrid::Columns);
            std::string text = CellText(cell, NullDate);
            if (!text.empty()) {
                texts.emplace_back(column + 1, std::move(text));
                repeats.push_back(repeat);
            }
            column += repeat;
        }
        copies = std::min(copies, TCellGrid::MaxRow - RowsDone);
        for (int64_t r = 1; r <= copies && !texts.empty() && !grid.Full(); ++r) {
            for (size_t k = 0; k < texts.size(); ++k) {
                for (int64_t c = 0; c < repeats[k]; ++c)
                    grid.Set(RowsDone + r, texts[k].first + c, texts[k].second);
            }
        }
    }

    int64_t NullDate;
    int64_t RowsDone = 0;
};

/// The name of the table that was active when the document was saved, or "".
std::string ActiveTableName(TPackage &package, const std::string &name)
{
    std::optional<std::string> bytes = package.Read("settings.xml");
    if (!bytes)
        return {};
    pugi::xml_document settings;
    if (!ParseXmlPart(settings, *bytes, name))
        return {}; // the settings only choose the table; without them the first one is read
    const pugi::xml_node item = settings.find_node([](const pugi::xml_node &node) {
        return IsElement(node, "config-item") &&
               std::string_view(LocalAttribute(node, "name").value()) == "ActiveTable";
    });
    return item.text().get();
}

} // namespace

std::optional<double> DurationDays(std::string_view text)
{
    size_t pos = 0;
    double sign = 1;
    if (pos < text.size() && text[pos] == '-') {
        sign = -1;
        ++pos;
    }
    if (pos >= text.size() || text[pos] != 'P')
        return std::nullopt;
    ++pos;
    double days = 0;
    bool inTime = false;
    bool any = false;
    while (pos < text.size()) {
        if (text[pos] == 'T' && !inTime) {
            inTime = true;
            ++pos;
            continue;
        }
        const size_t start = pos;
        while (pos < text.size() && ((text[pos] >= '0' && text[pos] <= '9') || text[pos] == '.'))
            ++pos;
        double value = 0;
        const auto result = std::from_chars(text.data() + start, text.data() + pos, value);
        if (pos == start || result.ptr != text.data() + pos || pos >= text.size())
            return std::nullopt;
        const char unit = text[pos++];
        if (!inTime && unit == 'D')
            days += value;
        else if (!inTime && unit == 'W')
            days += value * 7;
        else if (inTime && unit == 'H')
            days += value / 24;
        else if (inTime && unit == 'M')
            days += value / 1440;
        else if (inTime && unit == 'S')
            days += value / 86400;
        else
            return std::nullopt; // years and months have no fixed length in days
        any = true;
    }
    if (!any)
        return std::nullopt;
    return sign * days;
}

TCellGrid ReadOdsCells(TPackage &package, const std::string &name)
{
    // The settings first, so that their document is gone before the content is parsed.
    const std::string active = ActiveTableName(package, name);
    std::optional<std::string> bytes = package.Read("content.xml");
    pugi::xml_document content;
    if (!bytes || !ParseXmlPart(content, *bytes, name))
        throw TFormatError(DamagedMessage(name));
    const pugi::xml_node spreadsheet = ChildElement(ChildElement(content.document_element(), "body"), "spreadsheet");

    // Dates count from the document's null date, 1899-12-30 unless it sets another.
    int64_t nullDate = DaysFromCivil(1899, 12, 30);
    const pugi::xml_node nullDateNode = ChildElement(ChildElement(spreadsheet, "calculation-settings"), "null-date");
    const std::string_view nullDateText = LocalAttribute(nullDateNode, "date-value").value();
    if (const std::optional<double> serial = SerialFromIsoDateTime(TrimControl(nullDateText), 0))
        nullDate = int64_t(*serial);

    std::vector<pugi::xml_node> tables;
    for (pugi::xml_node table = spreadsheet.first_child(); table; table = table.next_sibling()) {
        if (IsElement(table, "table"))
            tables.push_back(table);
    }
    TCellGrid grid;
    if (tables.empty())
        return grid;
    const auto chosen = std::find_if(tables.begin(), tables.end(), [&](const pugi::xml_node &table) {
        return !active.empty() && active == LocalAttribute(table, "name").value();
    });
    TOdsReader(nullDate).ReadTable(chosen != tables.end() ? *chosen : tables.front(), grid);
    return grid;
}
