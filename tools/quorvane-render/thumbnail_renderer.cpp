#include "thumbnail_renderer.h"

#include "editor/model_definition.h"
#include "modeldata/ani_reader.h"
#include "modeldata/scalar_math.h"
#include "modelfile/model_file.h"
#include "render/animation.h"
#include "render/common_device.h"
#include "render/model_draw.h"
#include "render/png_writer.h"
#include "render/viewer_camera.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace quorvane {
namespace {

// The render projection keeps depths from 1 to 3000; a margin keeps the far side in.
constexpr double kFarPlane = 2900.0;

std::string Extension(const std::string& path) {
    const size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

// Read as the model viewer and the field read it.
std::unique_ptr<CModel> LoadOneModel(const std::string& path, std::vector<std::string>& errors) {
    auto model = std::make_unique<CModel>();
    std::string error;
    if (!ReadAnyModelFile(*model, path, error)) {
        errors.push_back(error);
        return nullptr;
    }
    return model;
}

// Every pixel is the cleared background, the colour of the first one.
bool OnlyBackground(const std::vector<uint8_t>& pixels) {
    for (size_t i = 4; i + 3 < pixels.size(); i += 4) {
        if (!std::equal(pixels.begin() + static_cast<std::ptrdiff_t>(i),
                        pixels.begin() + static_cast<std::ptrdiff_t>(i + 4), pixels.begin())) {
            return false;
        }
    }
    return true;
}

std::string FormatAngle(float degrees) {
    std::ostringstream text;
    text << degrees;
    return text.str();
}

// The viewer's camera for a model: fitted to the first model, elevation 70
// degrees, yaw = angle, the viewer's light.
CCamera ViewerCamera(const CDrawModel& first, float angle) {
    CCamera camera;
    ViewerOrbit orbit;
    ResetViewerCamera(camera, orbit);
    FitViewerCamera(camera, orbit, first.center, first.radius);
    camera.angleDegrees = angle;
    PlaceEyeOnOrbit(camera, orbit);
    // A model larger than the view depth (the whole field) would lie past the
    // far plane: bring the eye in so that its far side, or at least its near
    // half, stays inside.
    const double limit = std::max(kFarPlane - static_cast<double>(first.radius), kFarPlane / 2.0);
    const Vec3 toEye = camera.eye - camera.target;
    const double r = Length(toEye);
    if (r > limit) {
        camera.eye = camera.target + toEye * static_cast<float>(limit / r);
    }
    SetViewerLight(camera);
    return camera;
}

bool IsTerrain(const CDrawModel& model) {
    return std::any_of(model.meshes.begin(), model.meshes.end(),
                       [](const auto& mesh) { return mesh->isSplatMapLayout != 0; });
}

// The nine terrain pictures the field view samples (the terrain set), in
// consecutive slots from first.
struct FieldTextures {
    uint32_t first = 0;
    std::vector<GpuTexture> textures;
};

bool LoadFieldTextures(CCommonDevice& device, FieldTextures& out) {
    constexpr uint32_t kCount = 9;
    if (!device.Descriptors().AllocateRange(out.first, kCount)) {
        return false;
    }
    out.textures.resize(kCount);
    return SubmitImmediately(device, [&](VkCommandBuffer commands) {
        for (uint32_t i = 0; i < kCount; ++i) {
            char name[64];
            std::snprintf(name, sizeof(name), "./pict/MainField/field%03u.jpg", i + 1);
            LoadFieldTexture(device, commands, out.textures[i], out.first + i, name);
        }
    });
}

} // namespace

std::vector<std::unique_ptr<CModel>> LoadModelsForRender(const RenderOptions& options,
                                                         std::vector<std::string>& errors) {
    std::vector<std::unique_ptr<CModel>> models;
    const std::string extension = Extension(options.input);
    if (extension == "mdf" || extension == "MDF") {
        CModelDefinition definition;
        if (!definition.Load(options.input)) {
            errors.push_back(options.input + ": cannot be opened");
            return models;
        }
        for (uint32_t i = 0; i < definition.count; ++i) {
            if (definition.lodValues[i] != 0) {
                continue;
            }
            if (auto model = LoadOneModel(definition.paths[i], errors)) {
                models.push_back(std::move(model));
            }
        }
        if (models.empty() && errors.empty()) {
            errors.push_back(options.input + ": no level-0 part");
        }
        return models;
    }
    if (auto model = LoadOneModel(options.input, errors)) {
        for (const std::string& animation : options.animations) {
            if (!ReadAnimationFile(*model, animation, "ANIMATION")) {
                errors.push_back(animation + ": cannot be read for this model");
            }
        }
        models.push_back(std::move(model));
    }
    return models;
}

std::vector<uint8_t> ResampleBox(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t height,
                                 uint32_t targetWidth, uint32_t targetHeight) {
    std::vector<uint8_t> out(size_t{targetWidth} * targetHeight * 4);
    if (rgba.size() != size_t{width} * height * 4 || targetWidth == 0 || targetHeight == 0) {
        return {};
    }
    for (uint32_t y = 0; y < targetHeight; ++y) {
        const uint32_t y0 = static_cast<uint32_t>(uint64_t{y} * height / targetHeight);
        const uint32_t y1 = std::max(y0 + 1, static_cast<uint32_t>(uint64_t{y + 1} * height / targetHeight));
        for (uint32_t x = 0; x < targetWidth; ++x) {
            const uint32_t x0 = static_cast<uint32_t>(uint64_t{x} * width / targetWidth);
            const uint32_t x1 =
                std::max(x0 + 1, static_cast<uint32_t>(uint64_t{x + 1} * width / targetWidth));
            std::array<uint64_t, 4> sum{};
            for (uint32_t sy = y0; sy < y1; ++sy) {
                for (uint32_t sx = x0; sx < x1; ++sx) {
                    const size_t at = (size_t{sy} * width + sx) * 4;
                    for (size_t c = 0; c < 4; ++c) {
                        sum[c] += rgba[at + c];
                    }
                }
            }
            const uint64_t count = uint64_t{y1 - y0} * (x1 - x0);
            for (size_t c = 0; c < 4; ++c) {
                out[(size_t{y} * targetWidth + x) * 4 + c] =
                    static_cast<uint8_t>((sum[c] + count / 2) / count);
            }
        }
    }
    return out;
}

CThumbnailRenderer::CThumbnailRenderer(uint32_t side) : side_(side) {}
CThumbnailRenderer::~CThumbnailRenderer() = default;

std::optional<std::vector<uint8_t>> CThumbnailRenderer::Render(const RenderOptions& options,
                                                               std::string& message) {
    std::vector<std::string> errors;
    auto models = LoadModelsForRender(options, errors);
    for (const std::string& error : errors) {
        message += error + "\n";
    }
    if (models.empty()) {
        return std::nullopt;
    }
    if (!device_ && !failed_) {
        device_ = std::make_unique<CCommonDevice>();
        if (side_ > 0) {
            device_->SetRenderSize(side_, side_);
        }
        if (!device_->CreateDeviceObjects(nullptr) || !device_->CreatePipelineObjects()) {
            message += "no Vulkan device\n";
            device_.reset();
            failed_ = true;
        } else if (device_->Pipeline(PipelineId::Model) == VK_NULL_HANDLE) {
            message += "the model pipeline is missing (shader files not found)\n";
            device_.reset();
            failed_ = true;
        }
    }
    if (!device_) {
        return std::nullopt;
    }
    CCommonDevice& device = *device_;
    std::vector<std::unique_ptr<CDrawModel>> drawModels;
    for (const auto& model : models) {
        auto drawModel = std::make_unique<CDrawModel>(&device);
        drawModel->Build(model.get(), DrawModelPlacement::CpuVisible, !model->bones.empty());
        drawModel->frameCounter = options.frame;
        UpdateDrawModel(*drawModel);
        drawModels.push_back(std::move(drawModel));
    }
    size_t vertices = 0;
    for (const auto& drawModel : drawModels) {
        for (const auto& mesh : drawModel->meshes) {
            for (const CDrawPart& part : mesh->parts) {
                vertices += part.vertexCount;
            }
        }
    }
    if (vertices == 0) {
        message += options.input + ": nothing to draw (no triangles)\n";
    }
    CCamera camera = ViewerCamera(*drawModels[0], options.angle);
    UpdateCameraAndFrameConstants(camera, device);

    if (!device.BeginFrame()) {
        message += "the frame could not start\n";
        return std::nullopt;
    }
    // Terrain tiles blend the field's pictures by their vertex colours, as
    // the field view draws them; everything else as the viewer does.
    FieldTextures field;
    const bool terrain =
        std::any_of(drawModels.begin(), drawModels.end(), [](const auto& m) { return IsTerrain(*m); });
    if (terrain && !LoadFieldTextures(device, field)) {
        message += "the field textures could not be loaded\n";
    }
    device.ComposeFrame([&](CCommonDevice& d) {
        d.CommitFrameConstants();
        d.BeginScenePass(true, true);
        for (const auto& drawModel : drawModels) {
            if (IsTerrain(*drawModel) && !field.textures.empty()) {
                d.SetPipeline(PipelineId::Terrain);
                d.BindTextureSet(TextureSet::Terrain, field.first);
            } else {
                d.SetPipeline(PipelineId::Model);
            }
            DrawModel(*drawModel, d);
        }
    });
    device.RequestReadback();
    const bool ended = device.EndFrame();
    device.WaitForGpu();
    std::vector<uint8_t> pixels;
    const bool read = ended && device.TakeReadback(pixels);
    drawModels.clear();
    for (GpuTexture& texture : field.textures) {
        DestroyTexture(device, texture);
    }
    if (!field.textures.empty()) {
        device.Descriptors().Release(field.first);
    }
    device.ReleaseFinishedObjects();
    if (!read) {
        message += "the frame could not be read back\n";
        return std::nullopt;
    }
    if (vertices > 0 && OnlyBackground(pixels)) {
        message += options.input + ": nothing of the model is in view from yaw " +
                   FormatAngle(options.angle) + " (a flat model seen edge-on?); try another --angle\n";
    }
    // Drawn square-shaped at the headless size, then averaged down: smooth edges.
    return ResampleBox(pixels, device.Width(), device.Height(), options.size, options.size);
}

bool RenderThumbnail(const RenderOptions& options, std::string& message) {
    CThumbnailRenderer renderer;
    const std::optional<std::vector<uint8_t>> image = renderer.Render(options, message);
    if (!image) {
        return false;
    }
    if (!WritePng(options.out, options.size, options.size, *image)) {
        message += options.out + ": cannot be written\n";
        return false;
    }
    return true;
}

} // namespace quorvane
