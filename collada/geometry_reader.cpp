// Meshes: named float streams and triangle lists with interleaved indices.
#include "collada/number_lists.h"
#include "collada/readers.h"
#include "collada/source_reader.h"
#include "collada/xml_access.h"

#include <algorithm>
#include <memory>

namespace quorvane {
namespace {

// Reads the inputs into the block. Returns the group length of the file's
// index stream: one more than the largest offset of all inputs, read or not.
int64_t ReadInputs(CPolygonData& block, pugi::xml_node element) {
    int64_t fileGroupLength = 0;
    for (const pugi::xml_node input : element.children("input")) {
        const int32_t offset = IntAttributeOf(input, "offset");
        if (offset < 0) {
            continue; // no column of the stream belongs to it
        }
        fileGroupLength = std::max(fileGroupLength, int64_t{offset} + 1);
        const std::string_view semantic = AttributeOf(input, "semantic");
        std::string source = NameOf(ReferencedId(AttributeOf(input, "source")));
        if (semantic == "VERTEX") {
            block.vertexId = std::move(source);
            block.vertexOffset = offset;
        } else if (semantic == "NORMAL") {
            block.normalId = std::move(source);
            block.normalOffset = offset;
        } else if (semantic == "TEXCOORD") {
            block.texIds.push_back(std::move(source));
            block.texOffset = offset;
        } else if (semantic == "COLOR") {
            block.colorId = std::move(source);
            block.colorOffset = offset;
        }
    }
    return fileGroupLength;
}

// Copies corners from the file's stream into the block. Columns of unread
// inputs after the last stored offset are left out, so the stored groups are
// as long as the block's offsets say.
class CCornerCopier {
public:
    CCornerCopier(CPolygonData& block, std::vector<int32_t> fileIndices, int64_t fileGroupLength)
        : block_(block), file_(std::move(fileIndices)), fileLength_(fileGroupLength),
          keptLength_(block.GroupLength()) {}

    int64_t GroupCount() const { return static_cast<int64_t>(file_.size()) / fileLength_; }

    // Triangles in the order written, three corners each.
    void CopyTriangles() {
        const int64_t corners = GroupCount() - GroupCount() % 3;
        if (fileLength_ == keptLength_) {
            file_.resize(static_cast<size_t>(corners * fileLength_));
            block_.indices = std::move(file_);
            return;
        }
        block_.indices.reserve(static_cast<size_t>(corners * keptLength_));
        for (int64_t corner = 0; corner < corners; ++corner) {
            Copy(corner);
        }
    }

    // Faces of vcounts[i] corners each, split into fans around their first
    // corner. A face that runs past the stream ends the block.
    void CopyFaces(const std::vector<int32_t>& cornerCounts) {
        const int64_t groups = GroupCount();
        int64_t triangles = 0;
        int64_t first = 0;
        for (const int32_t cornerCount : cornerCounts) {
            const int64_t corners = std::max(cornerCount, 0);
            if (corners > groups - first) {
                break;
            }
            triangles += std::max<int64_t>(corners - 2, 0);
            first += corners;
        }
        block_.indices.reserve(static_cast<size_t>(triangles * 3 * keptLength_));
        first = 0;
        for (const int32_t cornerCount : cornerCounts) {
            const int64_t corners = std::max(cornerCount, 0);
            if (corners > groups - first) {
                return;
            }
            for (int64_t k = 1; k + 1 < corners; ++k) {
                Copy(first);
                Copy(first + k);
                Copy(first + k + 1);
            }
            first += corners;
        }
    }

private:
    void Copy(int64_t corner) {
        const auto start = file_.begin() + corner * fileLength_;
        block_.indices.insert(block_.indices.end(), start, start + keptLength_);
    }

    CPolygonData& block_;
    std::vector<int32_t> file_;
    int64_t fileLength_;
    int64_t keptLength_;
};

std::unique_ptr<CPolygonData> ReadPolygonBlock(pugi::xml_node element, bool isPolylist) {
    auto block = std::make_unique<CPolygonData>();
    if (const pugi::xml_attribute material = element.attribute("material")) {
        block->materialId = NameOf(material.value());
    }
    const int64_t fileGroupLength = ReadInputs(*block, element);
    if (fileGroupLength == 0 || block->GroupLength() <= 0) {
        return block; // no corner has anything the model stores
    }
    CCornerCopier copier(*block, ReadIntList(TextOf(element.child("p"))), fileGroupLength);
    const pugi::xml_node vcount = element.child("vcount");
    if (isPolylist && vcount) {
        copier.CopyFaces(ReadIntList(TextOf(vcount)));
    } else {
        copier.CopyTriangles();
    }
    return block;
}

void ReadPolygonBlocks(CGeometry& geometry, pugi::xml_node mesh) {
    bool isPolylist = true;
    auto elements = mesh.children("polylist");
    if (elements.begin() == elements.end()) {
        isPolylist = false;
        elements = mesh.children("triangles");
    }
    for (const pugi::xml_node element : elements) {
        geometry.polygons.push_back(ReadPolygonBlock(element, isPolylist));
    }
}

} // namespace

void ReadGeometries(CModel& model, pugi::xml_node collada) {
    for (const pugi::xml_node node : SelectNodes(collada, "library_geometries/geometry")) {
        auto geometry = std::make_unique<CGeometry>();
        geometry->id = NameOf(AttributeOf(node, "id"));
        if (const pugi::xml_node mesh = node.child("mesh")) {
            ReadSources(*geometry, mesh);
            ReadPolygonBlocks(*geometry, mesh);
        }
        model.geometries.push_back(std::move(geometry));
    }
}

} // namespace quorvane
