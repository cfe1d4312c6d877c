// Meshes: named float streams and triangle lists with interleaved indices,
// read from every kind of primitive element.
#include "collada/face_triangulation.h"
#include "collada/number_lists.h"
#include "collada/readers.h"
#include "collada/source_reader.h"
#include "collada/xml_access.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

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

// Copies corners from the file's index lists into the block. Columns of
// unread inputs after the last stored offset are left out, so the stored
// groups are as long as the block's offsets say.
class CCornerCopier {
public:
    CCornerCopier(CPolygonData& block, const CFloatArray* positions, int64_t fileGroupLength)
        : block_(block), positions_(positions), fileLength_(fileGroupLength),
          keptLength_(block.GroupLength()) {}

    int64_t GroupCount() const { return static_cast<int64_t>(file_.size()) / fileLength_; }

    // Starts a new index list; corners are numbered from 0 again.
    void Clear() { file_.clear(); }

    // Appends the whole corners of an index list, a trailing partial corner
    // left out. Returns how many were added.
    int64_t AddCorners(std::string_view text) {
        std::vector<int32_t> list = ReadIntList(text);
        const int64_t corners = static_cast<int64_t>(list.size()) / fileLength_;
        const auto kept = static_cast<size_t>(corners * fileLength_);
        if (file_.empty()) {
            list.resize(kept);
            file_ = std::move(list);
        } else {
            file_.insert(file_.end(), list.begin(), list.begin() + static_cast<std::ptrdiff_t>(kept));
        }
        return corners;
    }

    // Triangles in the order written, three corners each.
    void CopyTriangles() {
        const int64_t corners = GroupCount() - GroupCount() % 3;
        if (fileLength_ == keptLength_ && block_.indices.empty()) {
            file_.resize(static_cast<size_t>(corners * fileLength_));
            block_.indices = std::move(file_);
            return;
        }
        block_.indices.reserve(static_cast<size_t>(corners * keptLength_));
        for (int64_t corner = 0; corner < corners; ++corner) {
            Copy(corner);
        }
    }

    // Faces of cornerCounts[i] corners each, in stream order. A face that
    // runs past the stream ends the block.
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
            CopyFace(first, corners, {});
            first += corners;
        }
    }

    // One face of the stream from corner `first` on: its outer ring, then the
    // holes starting at the given corners (counted from `first`).
    void CopyFace(int64_t first, int64_t corners, std::span<const size_t> holeStarts) {
        const int64_t outerCorners =
            holeStarts.empty() ? corners : std::min(static_cast<int64_t>(holeStarts.front()), corners);
        if (outerCorners < 3) {
            return;
        }
        if ((outerCorners == 3 && holeStarts.empty()) ||
            corners > static_cast<int64_t>(kMaxEarClippedCorners) || !GatherPositions(first, corners)) {
            CopyFan(first, outerCorners);
            return;
        }
        faceTriangles_.clear();
        TriangulateFace(points_, holeStarts, faceTriangles_);
        for (const int32_t corner : faceTriangles_) {
            Copy(first + corner);
        }
    }

    // Triangle i of a strip takes corners i, i+1, i+2; every second one is
    // turned round so that all keep the strip's winding.
    void CopyStrip(int64_t first, int64_t corners) {
        for (int64_t i = 0; i + 2 < corners; ++i) {
            const bool odd = (i % 2) == 1;
            Copy(first + (odd ? i + 1 : i));
            Copy(first + (odd ? i : i + 1));
            Copy(first + i + 2);
        }
    }

    void CopyFan(int64_t first, int64_t corners) {
        for (int64_t k = 1; k + 1 < corners; ++k) {
            Copy(first);
            Copy(first + k);
            Copy(first + k + 1);
        }
    }

private:
    void Copy(int64_t corner) {
        const auto start = file_.begin() + corner * fileLength_;
        block_.indices.insert(block_.indices.end(), start, start + keptLength_);
    }

    // The face's corner positions, or false when a corner has none.
    bool GatherPositions(int64_t first, int64_t corners) {
        if (positions_ == nullptr || block_.vertexOffset < 0) {
            return false;
        }
        points_.clear();
        for (int64_t corner = first; corner < first + corners; ++corner) {
            const int32_t index = file_[static_cast<size_t>(corner * fileLength_ + block_.vertexOffset)];
            const std::span<const float> position = positions_->Vector(index);
            if (position.empty()) {
                return false;
            }
            points_.push_back({position[0], position[1], position.size() > 2 ? position[2] : 0.0f});
        }
        return true;
    }

    CPolygonData& block_;
    const CFloatArray* positions_;
    std::vector<int32_t> file_;
    int64_t fileLength_;
    int64_t keptLength_;
    // Reused from face to face.
    std::vector<FacePoint> points_;
    std::vector<int32_t> faceTriangles_;
};

enum class EPrimitive { kTriangles, kPolylist, kPolygons, kTristrips, kTrifans };

std::optional<EPrimitive> PrimitiveNamed(std::string_view name) {
    if (name == "triangles") {
        return EPrimitive::kTriangles;
    }
    if (name == "polylist") {
        return EPrimitive::kPolylist;
    }
    if (name == "polygons") {
        return EPrimitive::kPolygons;
    }
    if (name == "tristrips") {
        return EPrimitive::kTristrips;
    }
    if (name == "trifans") {
        return EPrimitive::kTrifans;
    }
    return std::nullopt;
}

// Every p of the element, each a face; a ph holds a face (its p) with holes
// (its h elements).
void CopyPolygons(CCornerCopier& copier, pugi::xml_node element) {
    std::vector<size_t> holeStarts;
    for (const pugi::xml_node child : element.children()) {
        const std::string_view name = child.name();
        if (name != "p" && name != "ph") {
            continue;
        }
        copier.Clear();
        holeStarts.clear();
        int64_t corners = copier.AddCorners(TextOf(name == "p" ? child : child.child("p")));
        if (name == "ph") {
            for (const pugi::xml_node hole : child.children("h")) {
                holeStarts.push_back(static_cast<size_t>(corners));
                corners += copier.AddCorners(TextOf(hole));
            }
        }
        copier.CopyFace(0, corners, holeStarts);
    }
}

// Every p of the element is one strip or fan.
void CopyStripsOrFans(CCornerCopier& copier, pugi::xml_node element, bool strips) {
    for (const pugi::xml_node list : element.children("p")) {
        copier.Clear();
        const int64_t corners = copier.AddCorners(TextOf(list));
        if (strips) {
            copier.CopyStrip(0, corners);
        } else {
            copier.CopyFan(0, corners);
        }
    }
}

std::unique_ptr<CPolygonData> ReadPolygonBlock(const CGeometry& geometry, pugi::xml_node element,
                                               EPrimitive primitive) {
    auto block = std::make_unique<CPolygonData>();
    if (const pugi::xml_attribute material = element.attribute("material")) {
        block->materialId = NameOf(material.value());
    }
    const int64_t fileGroupLength = ReadInputs(*block, element);
    if (fileGroupLength == 0 || block->GroupLength() <= 0) {
        return block; // no corner has anything the model stores
    }
    const CFloatArray* positions =
        block->vertexId.empty() ? nullptr : geometry.FindFloatArray(block->vertexId);
    CCornerCopier copier(*block, positions, fileGroupLength);
    switch (primitive) {
    case EPrimitive::kTriangles:
    case EPrimitive::kPolylist:
        copier.AddCorners(TextOf(element.child("p")));
        if (const pugi::xml_node vcount = element.child("vcount");
            primitive == EPrimitive::kPolylist && vcount) {
            copier.CopyFaces(ReadIntList(TextOf(vcount)));
        } else {
            copier.CopyTriangles();
        }
        break;
    case EPrimitive::kPolygons:
        CopyPolygons(copier, element);
        break;
    case EPrimitive::kTristrips:
    case EPrimitive::kTrifans:
        CopyStripsOrFans(copier, element, primitive == EPrimitive::kTristrips);
        break;
    }
    return block;
}

// Every primitive element of the mesh, one block each, in document order.
void ReadPolygonBlocks(CGeometry& geometry, pugi::xml_node mesh) {
    for (const pugi::xml_node element : mesh.children()) {
        if (const std::optional<EPrimitive> primitive = PrimitiveNamed(element.name())) {
            geometry.polygons.push_back(ReadPolygonBlock(geometry, element, *primitive));
        }
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
