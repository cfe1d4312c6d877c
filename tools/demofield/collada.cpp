#include "collada.h"

#include "text_writer.h"

namespace quorvane::demofield {
namespace {

// Number lists hold single spaces only: the importer splits at spaces.
template <typename T> std::string NumberList(const std::vector<T>& values, int decimals) {
    std::string out;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i != 0) {
            out.push_back(' ');
        }
        AppendFixed(out, static_cast<double>(values[i]), decimals);
    }
    return out;
}

std::string MatrixList(const Mat4& m) {
    return NumberList(std::vector<double>(m.begin(), m.end()), 6);
}

void Source(std::string& x, const std::string& id, const std::vector<double>& values, int stride,
            const std::vector<std::string>& params, int decimals) {
    const std::string count = std::to_string(values.size());
    x += "        <source id=\"" + id + "\">\n";
    x += "          <float_array id=\"" + id + "-array\" count=\"" + count + "\">" +
         NumberList(values, decimals) + "</float_array>\n";
    x += "          <technique_common>\n";
    x += "            <accessor source=\"#" + id + "-array\" count=\"" +
         std::to_string(values.size() / stride) + "\" stride=\"" + std::to_string(stride) + "\">\n";
    for (const std::string& param : params) {
        x += "              <param name=\"" + param + "\" type=\"" + (stride == 16 ? "float4x4" : "float") +
             "\"/>\n";
    }
    x += "            </accessor>\n          </technique_common>\n        </source>\n";
}

void Geometry(std::string& x, const CColladaDesc& d) {
    const CMesh& mesh = *d.mesh;
    const std::string g = d.name + "-mesh";
    std::vector<double> positions, normals, uvs, colours;
    for (int32_t v = 0; v < mesh.VertexCount(); ++v) {
        const auto i = static_cast<size_t>(v);
        positions.insert(positions.end(), {mesh.positions[i].x, mesh.positions[i].y, mesh.positions[i].z});
        normals.insert(normals.end(), {mesh.normals[i].x, mesh.normals[i].y, mesh.normals[i].z});
        // COLLADA's t runs upwards; image rows run downwards.
        uvs.insert(uvs.end(), {mesh.uvs[i][0], 1 - mesh.uvs[i][1]});
        colours.insert(colours.end(), mesh.colours[i].begin(), mesh.colours[i].end());
    }
    std::vector<int32_t> indices;
    for (const CMeshPart& part : mesh.parts) {
        indices.insert(indices.end(), part.indices.begin(), part.indices.end());
    }
    x += "  <library_geometries>\n    <geometry id=\"" + g + "\" name=\"" + d.name + "\">\n      <mesh>\n";
    Source(x, g + "-positions", positions, 3, {"X", "Y", "Z"}, 4);
    Source(x, g + "-normals", normals, 3, {"X", "Y", "Z"}, 4);
    Source(x, g + "-map", uvs, 2, {"S", "T"}, 4);
    Source(x, g + "-colors", colours, 4, {"R", "G", "B", "A"}, 3);
    x += "        <vertices id=\"" + g + "-vertices\">\n          <input semantic=\"POSITION\" source=\"#" +
         g + "-positions\"/>\n        </vertices>\n";
    // One index per corner serves every input.
    x += "        <triangles material=\"" + d.name + "-material\" count=\"" +
         std::to_string(indices.size() / 3) + "\">\n";
    x += "          <input semantic=\"VERTEX\" source=\"#" + g + "-vertices\" offset=\"0\"/>\n";
    x += "          <input semantic=\"NORMAL\" source=\"#" + g + "-normals\" offset=\"0\"/>\n";
    x += "          <input semantic=\"TEXCOORD\" source=\"#" + g + "-map\" offset=\"0\" set=\"0\"/>\n";
    x += "          <input semantic=\"COLOR\" source=\"#" + g + "-colors\" offset=\"0\"/>\n";
    x += "          <p>" + NumberList(indices, 0) + "</p>\n";
    x += "        </triangles>\n      </mesh>\n    </geometry>\n  </library_geometries>\n";
}

void Effect(std::string& x, const CColladaDesc& d) {
    const std::string n = d.name;
    if (!d.textureFile.empty()) {
        x += "  <library_images>\n    <image id=\"" + n + "-image\" name=\"" + n +
             "-image\">\n      <init_from>" + d.textureFile +
             "</init_from>\n    </image>\n  </library_images>\n";
    }
    x += "  <library_effects>\n    <effect id=\"" + n + "-effect\">\n      <profile_COMMON>\n";
    if (!d.textureFile.empty()) {
        x += "        <newparam sid=\"" + n +
             "-surface\">\n          <surface type=\"2D\">\n            <init_from>" + n +
             "-image</init_from>\n          </surface>\n        </newparam>\n";
        x += "        <newparam sid=\"" + n + "-sampler\">\n          <sampler2D>\n            <source>" + n +
             "-surface</source>\n          </sampler2D>\n        </newparam>\n";
    }
    x += "        <technique sid=\"common\">\n          <lambert>\n            <diffuse>\n";
    if (!d.textureFile.empty()) {
        x += "              <texture texture=\"" + n + "-sampler\" texcoord=\"UVMap\"/>\n";
    } else {
        x += "              <color sid=\"diffuse\">" +
             NumberList(std::vector<float>(d.diffuse.begin(), d.diffuse.end()), 3) + "</color>\n";
    }
    x += "            </diffuse>\n          </lambert>\n        </technique>\n      </profile_COMMON>\n    "
         "</effect>\n"
         "  </library_effects>\n";
    x += "  <library_materials>\n    <material id=\"" + n + "-material\" name=\"" + n +
         "-material\">\n      <instance_effect url=\"#" + n +
         "-effect\"/>\n    </material>\n  </library_materials>\n";
}

void Skin(std::string& x, const CColladaDesc& d) {
    const std::string c = d.name + "-skin";
    const auto vertices = static_cast<size_t>(d.mesh->VertexCount());
    const Mat4 inverseBind = {1, 0, 0, -d.jointMatrix[3],  0, 1, 0, -d.jointMatrix[7],
                              0, 0, 1, -d.jointMatrix[11], 0, 0, 0, 1};
    x += "  <library_controllers>\n    <controller id=\"" + c + "\">\n      <skin source=\"#" + d.name +
         "-mesh\">\n";
    x += "        <bind_shape_matrix>" + MatrixList(Identity()) + "</bind_shape_matrix>\n";
    x += "        <source id=\"" + c + "-joints\">\n          <Name_array id=\"" + c +
         "-joints-array\" count=\"1\">" + d.joint +
         "</Name_array>\n          <technique_common>\n            <accessor source=\"#" + c +
         "-joints-array\" count=\"1\" stride=\"1\">\n              <param name=\"JOINT\" type=\"name\"/>\n"
         "            </accessor>\n          </technique_common>\n        </source>\n";
    Source(x, c + "-bind-poses", std::vector<double>(inverseBind.begin(), inverseBind.end()), 16,
           {"TRANSFORM"}, 6);
    Source(x, c + "-weights", {1.0}, 1, {"WEIGHT"}, 4);
    x += "        <joints>\n          <input semantic=\"JOINT\" source=\"#" + c +
         "-joints\"/>\n          <input semantic=\"INV_BIND_MATRIX\" source=\"#" + c +
         "-bind-poses\"/>\n        </joints>\n";
    x += "        <vertex_weights count=\"" + std::to_string(vertices) + "\">\n";
    x += "          <input semantic=\"JOINT\" source=\"#" + c + "-joints\" offset=\"0\"/>\n";
    x += "          <input semantic=\"WEIGHT\" source=\"#" + c + "-weights\" offset=\"1\"/>\n";
    std::string vcount, v;
    for (size_t i = 0; i < vertices; ++i) {
        vcount += i == 0 ? "1" : " 1";
        v += i == 0 ? "0 0" : " 0 0";
    }
    x += "          <vcount>" + vcount + "</vcount>\n          <v>" + v + "</v>\n";
    x += "        </vertex_weights>\n      </skin>\n    </controller>\n  </library_controllers>\n";
}

void Animation(std::string& x, const CColladaDesc& d) {
    const std::string a = d.name + "-" + d.joint + "-anim";
    std::vector<double> outputs;
    for (const Mat4& pose : d.poses) {
        outputs.insert(outputs.end(), pose.begin(), pose.end());
    }
    x += "  <library_animations>\n    <animation id=\"" + a + "\">\n";
    Source(x, a + "-input", d.keyTimes, 1, {"TIME"}, 4);
    Source(x, a + "-output", outputs, 16, {"TRANSFORM"}, 6);
    std::string interpolations;
    for (size_t i = 0; i < d.keyTimes.size(); ++i) {
        interpolations += i == 0 ? "LINEAR" : " LINEAR";
    }
    x +=
        "      <source id=\"" + a + "-interpolation\">\n        <Name_array id=\"" + a +
        "-interpolation-array\" count=\"" + std::to_string(d.keyTimes.size()) + "\">" + interpolations +
        "</Name_array>\n        <technique_common>\n          <accessor source=\"#" + a +
        "-interpolation-array\" count=\"" + std::to_string(d.keyTimes.size()) +
        "\" stride=\"1\">\n            <param name=\"INTERPOLATION\" type=\"name\"/>\n          </accessor>\n"
        "        </technique_common>\n      </source>\n";
    x += "      <sampler id=\"" + a + "-sampler\">\n        <input semantic=\"INPUT\" source=\"#" + a +
         "-input\"/>\n        <input semantic=\"OUTPUT\" source=\"#" + a +
         "-output\"/>\n        <input semantic=\"INTERPOLATION\" source=\"#" + a +
         "-interpolation\"/>\n      </sampler>\n";
    x += "      <channel source=\"#" + a + "-sampler\" target=\"" + d.joint + "/transform\"/>\n";
    x += "    </animation>\n  </library_animations>\n";
}

void Scene(std::string& x, const CColladaDesc& d) {
    const std::string material = d.name + "-material";
    const std::string bind = "            <bind_material>\n              <technique_common>\n"
                             "                <instance_material symbol=\"" +
                             material + "\" target=\"#" + material +
                             "\"/>\n              </technique_common>\n            </bind_material>\n";
    x += "  <library_visual_scenes>\n    <visual_scene id=\"Scene\" name=\"Scene\">\n";
    if (d.joint.empty()) {
        x += "      <node id=\"" + d.name + "\" name=\"" + d.name + "\" type=\"NODE\">\n";
        x += "        <matrix sid=\"transform\">" + MatrixList(Identity()) + "</matrix>\n";
        x += "        <instance_geometry url=\"#" + d.name + "-mesh\">\n" + bind +
             "        </instance_geometry>\n";
        x += "      </node>\n";
    } else {
        x += "      <node id=\"" + d.joint + "\" name=\"" + d.joint + "\" sid=\"" + d.joint +
             "\" type=\"JOINT\">\n";
        x += "        <matrix sid=\"transform\">" + MatrixList(d.jointMatrix) + "</matrix>\n      </node>\n";
        x += "      <node id=\"" + d.name + "\" name=\"" + d.name + "\" type=\"NODE\">\n";
        x += "        <instance_controller url=\"#" + d.name + "-skin\">\n          <skeleton>#" + d.joint +
             "</skeleton>\n" + bind + "        </instance_controller>\n      </node>\n";
    }
    x += "    </visual_scene>\n  </library_visual_scenes>\n";
    x += "  <scene>\n    <instance_visual_scene url=\"#Scene\"/>\n  </scene>\n";
}

} // namespace

std::string ColladaText(const CColladaDesc& d) {
    std::string x =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">\n"
        "  <asset>\n    <contributor>\n      <authoring_tool>Quorvane demofield</authoring_tool>\n"
        "    </contributor>\n    <created>2024-01-01T00:00:00</created>\n"
        "    <modified>2024-01-01T00:00:00</modified>\n    <unit name=\"meter\" meter=\"1\"/>\n"
        "    <up_axis>Z_UP</up_axis>\n  </asset>\n";
    Effect(x, d);
    Geometry(x, d);
    if (!d.joint.empty()) {
        Skin(x, d);
        Animation(x, d);
    }
    Scene(x, d);
    x += "</COLLADA>\n";
    return x;
}

} // namespace quorvane::demofield
