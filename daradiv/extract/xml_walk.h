// Walking a pugixml tree in document order without recursion, so deeply nested mark-up
// cannot exhaust the stack, and the small name helpers the mark-up readers share.
#pragma once

#include <pugixml.hpp>

#include <cstring>
#include <string>
#include <string_view>

// The element name without its namespace prefix ("w:t" -> "t").
inline std::string_view LocalName(const pugi::xml_node& n) {
    const char* name = n.name();
    const char* colon = std::strrchr(name, ':');
    return colon ? std::string_view(colon + 1) : std::string_view(name);
}

// The first child element of parent with the given local name, or an empty node.
inline pugi::xml_node ChildElement(const pugi::xml_node& parent, std::string_view local) {
    for (pugi::xml_node c : parent.children())
        if (c.type() == pugi::node_element && LocalName(c) == local) return c;
    return {};
}

// The value of the namespaced attribute whose local name is local ("r:id" for "id"), or "".
// Attributes without a prefix are passed over: <sldId id="256" r:id="rId2"/> has both.
inline std::string_view PrefixedAttribute(const pugi::xml_node& n, std::string_view local) {
    for (pugi::xml_attribute a : n.attributes()) {
        const char* colon = std::strrchr(a.name(), ':');
        if (colon && std::string_view(colon + 1) == local) return a.value();
    }
    return "";
}

// Calls enter(node) for every node under root in document order and leave(node) after its
// children; enter returning false skips the node's children (leave is still called).
template <typename Enter, typename Leave>
void WalkXml(const pugi::xml_node& root, Enter enter, Leave leave) {
    pugi::xml_node n = root.first_child();
    while (n) {
        if (enter(n) && n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n) {
            leave(n);
            if (n.next_sibling()) {
                n = n.next_sibling();
                break;
            }
            n = n.parent();
            if (n == root) return;
        }
    }
}

// Parses XML bytes into doc. A document cut short keeps what was read before the fault;
// false only when nothing usable was read.
inline bool ParseXml(const std::string& bytes, pugi::xml_document* doc) {
    pugi::xml_parse_result r = doc->load_buffer(bytes.data(), bytes.size(),
                                                pugi::parse_default | pugi::parse_ws_pcdata_single,
                                                pugi::encoding_auto);
    return r || doc->first_child();
}
