#pragma once

#include "model/error.h"
#include "storage/workbook/cellgrid.h"

#include <pugixml.hpp>

#include <new>
#include <string>
#include <string_view>

// Small helpers shared by the .xlsx and .ods readers. Elements and attributes are matched by
// their local names, so a workbook that binds the usual namespaces to other prefixes still reads.

/// "table:table-row" -> "table-row"; a name without prefix is its own local name.
inline std::string_view LocalName(const char *name)
{
    const std::string_view text(name);
    const size_t colon = text.find(':');
    return colon == std::string_view::npos ? text : text.substr(colon + 1);
}

inline bool IsElement(const pugi::xml_node &node, std::string_view local)
{
    return node.type() == pugi::node_element && LocalName(node.name()) == local;
}

/// The first child element with this local name, or an empty node.
inline pugi::xml_node ChildElement(const pugi::xml_node &node, std::string_view local)
{
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
        if (IsElement(child, local))
            return child;
    }
    return {};
}

/// The first attribute with this local name, or an empty attribute.
inline pugi::xml_attribute LocalAttribute(const pugi::xml_node &node, std::string_view local)
{
    for (pugi::xml_attribute attribute = node.first_attribute(); attribute; attribute = attribute.next_attribute()) {
        if (LocalName(attribute.name()) == local)
            return attribute;
    }
    return {};
}

/// The nodes a parsed part may hold: some 60 bytes each, so a part of millions of tiny elements
/// would cost far more than its bytes. Some five times what the largest schedule needs.
inline constexpr size_t MaxXmlNodes = 2000000;

/// At least as many nodes as parsing makes of the bytes: each element, each attribute, each CDATA
/// section, each run of text (one of blanks only when it is all an element holds). Quoted attribute
/// values are passed over whole, so a ">" or "=" inside one is no tag's end or attribute; comments,
/// processing instructions and end tags make no node.
inline size_t XmlNodeCount(std::string_view bytes)
{
    const auto skipPast = [&](size_t from, std::string_view end) {
        const size_t found = bytes.find(end, from);
        return found == std::string_view::npos ? bytes.size() : found + end.size();
    };
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    size_t nodes = 0, pos = 0;
    bool afterStartTag = false; // the text now read follows a start tag that is not self-closing
    while (pos < bytes.size()) {
        if (bytes[pos] != '<') {
            // A run of text up to the next tag.
            const size_t end = std::min(bytes.find('<', pos), bytes.size());
            bool onlyBlanks = true;
            for (size_t k = pos; k < end && onlyBlanks; ++k)
                onlyBlanks = blank(bytes[k]);
            const bool closesElement = end + 1 < bytes.size() && bytes[end + 1] == '/';
            if (!onlyBlanks || (afterStartTag && closesElement))
                ++nodes;
            pos = end;
            continue;
        }
        afterStartTag = false;
        const std::string_view rest = bytes.substr(pos);
        if (rest.starts_with("<!--")) {
            pos = skipPast(pos + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            ++nodes;
            pos = skipPast(pos + 9, "]]>");
        } else if (rest.starts_with("<?")) {
            pos = skipPast(pos + 2, "?>");
        } else if (rest.starts_with("</") || rest.starts_with("<!")) {
            pos = skipPast(pos + 2, ">");
        } else {
            ++nodes; // an element; then its attributes up to the tag's end, quoted values skipped
            for (++pos; pos < bytes.size() && bytes[pos] != '>'; ++pos) {
                if (bytes[pos] == '=') {
                    ++nodes;
                } else if (bytes[pos] == '"' || bytes[pos] == '\'') {
                    const size_t close = bytes.find(bytes[pos], pos + 1);
                    pos = close == std::string_view::npos ? bytes.size() - 1 : close;
                }
            }
            afterStartTag = pos < bytes.size() && bytes[pos - 1] != '/';
            ++pos;
        }
    }
    return nodes;
}

/// Parses a part in place; false when it is no XML. No document type is processed, so no entity
/// is ever expanded beyond the five of XML itself and character references; nothing outside the
/// part is fetched. Throws TFormatError naming the file when the part would take too many nodes.
inline bool ParseXmlPart(pugi::xml_document &document, std::string &bytes, const std::string &name)
{
    if (XmlNodeCount(bytes) > MaxXmlNodes)
        throw TFormatError(TooLargeMessage(name));
    const unsigned flags = pugi::parse_default | pugi::parse_ws_pcdata_single;
    const pugi::xml_parse_status status = document.load_buffer_inplace(bytes.data(), bytes.size(), flags).status;
    if (status == pugi::status_out_of_memory)
        throw std::bad_alloc(); // said as memory running out, with the file's name, not as damage
    return status == pugi::status_ok;
}
