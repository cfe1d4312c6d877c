#include "collada/xml_access.h"

#include "collada/number_lists.h"
#include "modeldata/model_types.h"
#include "modeldata/text_numbers.h"

namespace quorvane {
namespace {

bool NameIs(pugi::xml_node node, std::string_view name) {
    return node.type() == pugi::node_element && name == node.name();
}

template <typename OnNode> bool Walk(pugi::xml_node from, std::string_view path, OnNode& onNode) {
    const size_t slash = path.find('/');
    const std::string_view step = path.substr(0, slash);
    for (pugi::xml_node child = from.first_child(); child; child = child.next_sibling()) {
        if (!NameIs(child, step)) {
            continue;
        }
        const bool keepGoing =
            slash == std::string_view::npos ? onNode(child) : Walk(child, path.substr(slash + 1), onNode);
        if (!keepGoing) {
            return false;
        }
    }
    return true;
}

} // namespace

std::vector<pugi::xml_node> SelectNodes(pugi::xml_node from, std::string_view path) {
    std::vector<pugi::xml_node> nodes;
    auto collect = [&](pugi::xml_node node) {
        nodes.push_back(node);
        return true;
    };
    Walk(from, path, collect);
    return nodes;
}

pugi::xml_node SelectNode(pugi::xml_node from, std::string_view path) {
    pugi::xml_node found;
    auto takeFirst = [&](pugi::xml_node node) {
        found = node;
        return false;
    };
    Walk(from, path, takeFirst);
    return found;
}

pugi::xml_node SelectNodeWhere(pugi::xml_node from, std::string_view path, const char* name,
                               std::string_view value) {
    pugi::xml_node found;
    auto takeMatch = [&](pugi::xml_node node) {
        const pugi::xml_attribute attribute = node.attribute(name);
        if (attribute && value == attribute.value()) {
            found = node;
            return false;
        }
        return true;
    };
    Walk(from, path, takeMatch);
    return found;
}

int32_t IntAttributeOf(pugi::xml_node node, const char* name) {
    return ParseIntLikeAtoi(AttributeOf(node, name));
}

std::string NameOf(std::string_view text) {
    return CutName(text);
}

std::string TrimmedNameOf(std::string_view text) {
    while (!text.empty() && IsXmlSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsXmlSpace(text.back())) {
        text.remove_suffix(1);
    }
    return CutName(text);
}

std::string_view ReferencedId(std::string_view reference) {
    return reference.empty() ? reference : reference.substr(1);
}

} // namespace quorvane
