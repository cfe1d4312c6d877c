#include "definitions.h"

namespace quorvane::demofield {

std::string DefinitionText(const CDefinitionDesc& definition) {
    std::string text;
    CDefinitionPart current;
    bool first = true;
    auto set = [&](const char* key, int value, int& held) {
        if (first || value != held) {
            text += std::string(key) + ":" + std::to_string(value) + "\n";
            held = value;
        }
    };
    for (const CDefinitionPart& part : definition.parts) {
        set("LOD", part.lod, current.lod);
        set("LIST_NUMBER", part.listNumber, current.listNumber);
        set("SHADER", part.shader, current.shader);
        set("ANIMATED", part.animated, current.animated);
        set("COPY", part.copy, current.copy);
        text += "PATH:" + part.path + "\n";
        first = false;
    }
    return text;
}

void WriteDefinitions(COutput& out, const std::vector<CDefinitionDesc>& definitions) {
    for (const CDefinitionDesc& definition : definitions) {
        out.WriteBytes(definition.path, DefinitionText(definition));
        out.Manifest().definitions.push_back(
            CWrittenDefinition{definition.path, static_cast<int32_t>(definition.parts.size())});
    }
}

} // namespace quorvane::demofield
