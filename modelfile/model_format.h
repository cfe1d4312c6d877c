#pragma once

#include <string_view>

namespace quorvane {

enum class ModelFormat { None, TextModel, Collada };

// The reader for a model file. A document whose first element is a COLLADA
// root (after an optional UTF-8 byte order mark, the XML declaration or other
// processing instructions, comments and white space) is COLLADA whatever its
// name. Otherwise the extension decides, in any case: ".mdl" a text model,
// ".dae" a COLLADA document. Other extensions, and a file name that is only
// an extension (".mdl", no stem to name the model by), name no model.
ModelFormat ModelFormatOf(std::string_view path, std::string_view content);

} // namespace quorvane
