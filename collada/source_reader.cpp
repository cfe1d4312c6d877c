// Mesh sources: the large float arrays of a document.
#include "collada/source_reader.h"

#include "collada/number_lists.h"
#include "collada/xml_access.h"

#include <memory>

namespace quorvane {

void ReadSources(CGeometry& geometry, pugi::xml_node mesh) {
    // Polygon inputs name the vertices element, so the position stream is
    // stored under its id.
    const pugi::xml_node vertices = mesh.child("vertices");
    const std::string verticesId = NameOf(AttributeOf(vertices, "id"));
    const std::string positionSourceId = NameOf(ReferencedId(AttributeOf(vertices.child("input"), "source")));
    for (const pugi::xml_node source : mesh.children("source")) {
        const pugi::xml_node floatArray = source.child("float_array");
        const int32_t count = IntAttributeOf(floatArray, "count");
        if (count <= 0) {
            continue;
        }
        auto array = std::make_unique<CFloatArray>();
        array->id = NameOf(AttributeOf(source, "id"));
        const bool isPosition = !positionSourceId.empty() && array->id == positionSourceId;
        if (isPosition) {
            array->id = verticesId;
        }
        const int32_t stride = IntAttributeOf(SelectNode(source, "technique_common/accessor"), "stride");
        std::vector<float> floats = ReadFloatList(TextOf(floatArray), CountLimit(count));
        if (isPosition) {
            // Only vectors the array really holds count, whatever count claims.
            geometry.vertexCount =
                stride > 0 ? static_cast<int32_t>(floats.size() / static_cast<size_t>(stride)) : 0;
        }
        array->SetVectors(stride, std::move(floats));
        geometry.floatArrays.push_back(std::move(array));
    }
}

} // namespace quorvane
