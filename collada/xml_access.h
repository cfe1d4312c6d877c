#pragma once

#include <cstdint>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Every element reached from `from` along a child path such as
// "library_images/image", in document order.
std::vector<pugi::xml_node> SelectNodes(pugi::xml_node from, std::string_view path);
// The first of SelectNodes, or a null node.
pugi::xml_node SelectNode(pugi::xml_node from, std::string_view path);
// The first element of the path whose attribute `name` equals value, or a null node.
pugi::xml_node SelectNodeWhere(pugi::xml_node from, std::string_view path, const char* name,
                               std::string_view value);

// The text directly inside an element (empty when it has none).
inline std::string_view TextOf(pugi::xml_node node) {
    return node.child_value();
}
inline std::string_view AttributeOf(pugi::xml_node node, const char* name) {
    return node.attribute(name).value();
}
int32_t IntAttributeOf(pugi::xml_node node, const char* name);

// A name or id cut to the model's name length.
std::string NameOf(std::string_view text);
// The same for element text, without the white space around it.
std::string TrimmedNameOf(std::string_view text);
// "#id" references name their target without the first character, whatever it is.
std::string_view ReferencedId(std::string_view reference);

} // namespace quorvane
