#include "demo_field.h"

#include "character.h"
#include "control_pictures.h"
#include "definitions.h"
#include "model_writer.h"
#include "pictures.h"
#include "props.h"
#include "terrain.h"
#include "text_writer.h"

#include <fstream>
#include <sstream>

namespace quorvane::demofield {

std::string StampText(const COptions& options) {
    return std::string(kGeneratorVersion) + "\nquads per tile " + std::to_string(options.quadsPerTile) +
           "\nfield texture size " + std::to_string(options.fieldTextureSize) + "\nmodel texture size " +
           std::to_string(options.modelTextureSize) + "\n";
}

bool IsUpToDate(const COptions& options) {
    std::ifstream stamp(options.output / kStampFile, std::ios::binary);
    if (!stamp) {
        return false;
    }
    std::ostringstream text;
    text << stamp.rdbuf();
    if (text.str() != StampText(options)) {
        return false;
    }
    // A folder someone partly deleted is not up to date.
    for (const char* path :
         {"model/main_field/field/Field26-26.mdl", "model/main_field/field_low/field_low.mdl",
          "model/character/skelton/skelton.mdl", "pict/MainField/field009.jpg", "pict/IconMdf.png",
          "gridfile"}) {
        if (!std::filesystem::exists(options.output / path)) {
            return false;
        }
    }
    return true;
}

CManifest GenerateDemoField(const COptions& options) {
    std::filesystem::remove(options.output / kStampFile);
    CManifest manifest;
    COutput out(options.output, manifest);
    WriteTerrain(out, CHeightField(options.quadsPerTile), options.fieldTextureSize * 2);
    WriteCharacter(out);
    WriteDefinitions(out, WriteProps(out, options.modelTextureSize));
    WriteFieldPictures(out, options.fieldTextureSize);
    WriteControlPictures(out);
    // Grid map files are the editor's output; it starts with none.
    std::filesystem::create_directories(options.output / "gridfile");
    // The stamp goes last: an interrupted run leaves the folder out of date.
    WriteFile(options.output / kStampFile, StampText(options));
    return manifest;
}

} // namespace quorvane::demofield
