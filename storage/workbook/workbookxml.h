#pragma once

#include "model/error.h"
#include "storage/workbook/cellgrid.h"

#include <pugixml.hpp>

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

/// About as many nodes as parsing makes of the bytes: a tag each, and each attribute.
inline size_t XmlNodeCount(std::string_view bytes)
{
    size_t nodes = 0;
    bool inTag = false;
    for (const char c : bytes) {
        if (c == '<') {
            ++nodes;
            inTag = true;
        } else if (c == '>') {
            inTag = false;
        } else if (c == '=' && inTag) {
            ++nodes;
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
    return document.load_buffer_inplace(bytes.data(), bytes.size(), flags).status == pugi::status_ok;
}
