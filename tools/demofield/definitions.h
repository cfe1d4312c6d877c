#pragma once

#include "model_writer.h"

#include <string>
#include <vector>

namespace quorvane::demofield {

// One part of a model definition: the model path (relative to the working
// directory) and the values the game needs with it.
struct CDefinitionPart {
    std::string path;
    int lod = 0;
    int listNumber = 0;
    int shader = 0;
    int animated = 0;
    int copy = 0;
};

struct CDefinitionDesc {
    std::string path; // of the ".mdf", relative to the output folder
    std::vector<CDefinitionPart> parts;
};

// "KEY:value" lines; a value is written only when it changes, as the reader
// carries every value on to the following PATH lines.
std::string DefinitionText(const CDefinitionDesc& definition);
void WriteDefinitions(COutput& out, const std::vector<CDefinitionDesc>& definitions);

} // namespace quorvane::demofield
