// Images, materials and the diffuse term of their effects.
#include "collada/number_lists.h"
#include "collada/readers.h"
#include "collada/xml_access.h"

#include <algorithm>
#include <memory>

namespace quorvane {
namespace {

// Phong before lambert; other shading models give nothing.
pugi::xml_node DiffusePart(pugi::xml_node effect, const char* part) {
    const std::string phong = std::string("profile_COMMON/technique/phong/diffuse/") + part;
    if (const pugi::xml_node found = SelectNode(effect, phong)) {
        return found;
    }
    return SelectNode(effect, std::string("profile_COMMON/technique/lambert/diffuse/") + part);
}

// texture -> sampler newparam -> surface newparam -> image id. A missing step
// leaves the material untextured.
void ReadDiffuseTexture(CMaterial& material, pugi::xml_node effect) {
    const pugi::xml_node texture = DiffusePart(effect, "texture");
    if (!texture) {
        return;
    }
    const pugi::xml_node sampler =
        SelectNodeWhere(effect, "profile_COMMON/newparam", "sid", AttributeOf(texture, "texture"));
    const std::string surfaceSid = TrimmedNameOf(TextOf(SelectNode(sampler, "sampler2D/source")));
    if (surfaceSid.empty()) {
        return;
    }
    const pugi::xml_node surface = SelectNodeWhere(effect, "profile_COMMON/newparam", "sid", surfaceSid);
    const pugi::xml_node imageId = SelectNode(surface, "surface/init_from");
    if (imageId) {
        material.textureId = TrimmedNameOf(TextOf(imageId));
    }
}

void ReadDiffuseColour(CMaterial& material, pugi::xml_node effect) {
    const pugi::xml_node colour = DiffusePart(effect, "color");
    if (!colour) {
        return;
    }
    const std::vector<float> rgba = ReadFloatList(TextOf(colour), material.diffuse.size());
    std::copy(rgba.begin(), rgba.end(), material.diffuse.begin());
}

} // namespace

void ReadImages(CModel& model, pugi::xml_node collada) {
    for (const pugi::xml_node image : SelectNodes(collada, "library_images/image")) {
        auto texture = std::make_unique<CTextureRef>();
        texture->id = NameOf(AttributeOf(image, "id"));
        texture->fileName = TrimmedNameOf(TextOf(image.child("init_from")));
        model.textures.push_back(std::move(texture));
    }
}

void ReadMaterials(CModel& model, pugi::xml_node collada) {
    const std::vector<pugi::xml_node> effects = SelectNodes(collada, "library_effects/effect");
    for (const pugi::xml_node node : SelectNodes(collada, "library_materials/material")) {
        auto material = std::make_unique<CMaterial>();
        material->name = NameOf(AttributeOf(node, "id"));
        const std::string_view effectId = ReferencedId(AttributeOf(node.child("instance_effect"), "url"));
        for (const pugi::xml_node effect : effects) {
            const pugi::xml_attribute id = effect.attribute("id");
            if (!id || effectId != id.value()) {
                continue;
            }
            ReadDiffuseTexture(*material, effect);
            ReadDiffuseColour(*material, effect);
        }
        model.materials.push_back(std::move(material));
    }
}

} // namespace quorvane
