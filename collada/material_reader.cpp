// Images, materials and the colour term of their effects.
#include "collada/image_uri.h"
#include "collada/number_lists.h"
#include "collada/readers.h"
#include "collada/xml_access.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

namespace quorvane {
namespace {

// The term a shading model is drawn with. Constant shading has no diffuse
// term; what it shows is its emission.
struct CShadingTerm {
    std::string_view model;
    std::string_view term;
};
constexpr CShadingTerm kShadingTerms[] = {
    {"phong", "diffuse"}, {"lambert", "diffuse"}, {"blinn", "diffuse"}, {"constant", "emission"}};

// The first shading model, in the order above, whose term holds part
// ("texture" or "color"). Techniques match whatever their sid.
pugi::xml_node ShadingPart(pugi::xml_node effect, std::string_view part) {
    for (const CShadingTerm& shading : kShadingTerms) {
        const std::string path = "profile_COMMON/technique/" + std::string(shading.model) + "/" +
                                 std::string(shading.term) + "/" + std::string(part);
        if (const pugi::xml_node found = SelectNode(effect, path)) {
            return found;
        }
    }
    return {};
}

// Parameters may sit in the common profile or on the effect itself.
pugi::xml_node FindNewparam(pugi::xml_node effect, std::string_view sid) {
    if (sid.empty()) {
        return {};
    }
    if (const pugi::xml_node found = SelectNodeWhere(effect, "profile_COMMON/newparam", "sid", sid)) {
        return found;
    }
    return SelectNodeWhere(effect, "newparam", "sid", sid);
}

bool IsImageId(const CModel& model, std::string_view id) {
    return !id.empty() && model.FindTextureIndex(id) >= 0;
}

// texture -> sampler newparam -> surface newparam -> image id, or, as later
// documents and some exporters write it, a sampler naming its image with
// instance_image, or a texture or sampler source naming an image directly.
// A missing step leaves the material untextured.
std::string ImageIdOfSampler(const CModel& model, pugi::xml_node effect, std::string_view samplerSid) {
    const pugi::xml_node sampler = FindNewparam(effect, samplerSid).child("sampler2D");
    if (!sampler) {
        return IsImageId(model, samplerSid) ? NameOf(samplerSid) : std::string();
    }
    if (const pugi::xml_node image = sampler.child("instance_image")) {
        return NameOf(ReferencedId(AttributeOf(image, "url")));
    }
    const std::string surfaceSid = TrimmedNameOf(TextOf(sampler.child("source")));
    const pugi::xml_node surface = FindNewparam(effect, surfaceSid).child("surface");
    if (surface) {
        return TrimmedNameOf(TextOf(surface.child("init_from")));
    }
    return IsImageId(model, surfaceSid) ? surfaceSid : std::string();
}

void ReadShadingTexture(const CModel& model, CMaterial& material, pugi::xml_node effect) {
    const pugi::xml_node texture = ShadingPart(effect, "texture");
    if (std::string imageId = ImageIdOfSampler(model, effect, AttributeOf(texture, "texture"));
        texture && !imageId.empty()) {
        material.textureId = std::move(imageId);
    }
}

void ReadShadingColour(CMaterial& material, pugi::xml_node effect) {
    const pugi::xml_node colour = ShadingPart(effect, "color");
    if (!colour) {
        return;
    }
    const std::vector<float> rgba = ReadFloatList(TextOf(colour), material.diffuse.size());
    std::copy(rgba.begin(), rgba.end(), material.diffuse.begin());
}

// The element naming the image's file: directly under the image, or nested
// under create_2d and its kind in later documents.
pugi::xml_node ImageSource(pugi::xml_node image) {
    if (const pugi::xml_node direct = image.child("init_from")) {
        return direct;
    }
    return image.find_node([](pugi::xml_node node) {
        return node.type() == pugi::node_element && std::string_view(node.name()) == "init_from";
    });
}

std::string_view TrimmedText(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool FileExistsHere(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(path), error);
}

void AddImage(CModel& model, pugi::xml_node image) {
    auto texture = std::make_unique<CTextureRef>();
    texture->id = NameOf(AttributeOf(image, "id"));
    const pugi::xml_node source = ImageSource(image);
    const pugi::xml_node ref = source.child("ref");
    const std::string_view uri = TrimmedText(ref ? TextOf(ref) : TextOf(source));
    texture->fileName = CutName(ResolveImageUri(uri, model.directory, FileExistsHere));
    model.textures.push_back(std::move(texture));
}

} // namespace

void ReadImages(CModel& model, pugi::xml_node collada) {
    for (const pugi::xml_node image : SelectNodes(collada, "library_images/image")) {
        AddImage(model, image);
    }
    // Older exporters declare images inside the effect that uses them.
    for (const pugi::xml_node effect : SelectNodes(collada, "library_effects/effect")) {
        std::vector<pugi::xml_node> images = SelectNodes(effect, "image");
        const std::vector<pugi::xml_node> profileImages = SelectNodes(effect, "profile_COMMON/image");
        images.insert(images.end(), profileImages.begin(), profileImages.end());
        for (const pugi::xml_node image : images) {
            if (!IsImageId(model, AttributeOf(image, "id"))) {
                AddImage(model, image);
            }
        }
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
            ReadShadingTexture(model, *material, effect);
            ReadShadingColour(*material, effect);
        }
        model.materials.push_back(std::move(material));
    }
}

} // namespace quorvane
