// The default model "6": a lantern jellyfish. A translucent bell with a
// glowing core under it, four frilled oral arms and eight trailing tentacles,
// each arm and tentacle on a chain of joints below the bell's root joint.
#include <cmath>
#include <string>
#include <vector>

#include "default_model.h"
#include "make_data.h"
#include "mesh_builder.h"
#include "model_texture_data.h"
#include "ms3d_writer.h"
#include "settings/data_names.h"

namespace {

using namespace ms3d_writer;
using namespace model_mesh;

constexpr double kPi = 3.14159265358979323846;
constexpr int kTentacles = 8;
constexpr int kTentacleJoints = 4;
constexpr int kArms = 4;
constexpr int kArmJoints = 3;

// Groups and materials, in drawing order: opaque first, the glass bell last.
enum GroupIndex { kCoreGroup, kArmGroup, kTentacleGroup, kBellGroup };
enum MaterialIndex { kCoreMaterial, kTentacleMaterial, kBellMaterial };

constexpr double kBellTop = 27.0, kRimY = 16.0, kRimRadius = 10.0;

// The bell's cross-section as one closed sweep: over the crown to the rim
// and back up inside. f in [0, 1]; returns radius and height.
void BellProfile(double f, double& radius, double& y) {
    if (f <= 0.6) {
        const double a = f / 0.6 * kPi / 2;  // outside: crown to rim
        radius = kRimRadius * std::pow(std::sin(a), 0.8) + 0.05;
        y = kRimY + (kBellTop - kRimY) * std::cos(a);
    } else {
        const double a = (f - 0.6) / 0.4 * kPi / 2;  // inside: rim up under the crown
        radius = kRimRadius * (1.0 - 0.92 * std::sin(a)) - 0.6 * std::sin(a * 2);
        y = kRimY + 6.5 * std::sin(a) - 0.4 * std::sin(a * 2);
    }
}

// The path of tentacle k at u in [0, 1]: from the rim, swaying as it falls.
V3 TentaclePoint(int k, double u) {
    const double angle = (k + 0.5) * 2 * kPi / kTentacles;
    const V3 out = {std::cos(angle), 0, std::sin(angle)}, side = {-std::sin(angle), 0, std::cos(angle)};
    const V3 base = V3{0, kRimY + 0.3, 0} + out * (kRimRadius * 0.9);
    return base + out * (2.5 * std::sin(u * kPi * 0.7)) + V3{0, -30.0 * u, 0} +
           side * (2.2 * std::sin(u * kPi * 2.5 + k * 0.8) * u);
}

V3 ArmPoint(int k, double u) {
    const double angle = k * 2 * kPi / kArms + 0.3;
    const V3 out = {std::cos(angle), 0, std::sin(angle)}, side = {-std::sin(angle), 0, std::cos(angle)};
    return V3{0, kRimY + 1.0, 0} + out * (1.2 + 3.0 * u) + V3{0, -16.0 * u, 0} + side * (1.5 * std::sin(u * kPi * 1.5));
}

// A tube along `path`, its radius from `radius`; vertices bound to the
// nearest of `joints` evenly spaced joints starting at `firstJoint`.
template <typename PathFn, typename RadiusFn>
void AddTube(MeshBuilder& mesh, int group, int rows, int sides, int firstJoint, int joints, PathFn path,
             RadiusFn radius) {
    mesh.AddClosedGrid(rows, sides, group, [&](int r, int c, V3& p, V3& outward, int& bone) {
        const double u = double(r) / (rows - 1);
        const V3 centre = path(u);
        const V3 tangent = Normalise(path(std::min(1.0, u + 0.01)) - path(std::max(0.0, u - 0.01)));
        const V3 n1 = Normalise(Cross(tangent, V3{0, 0, 1}));
        const V3 n2 = Cross(tangent, n1);
        const double a = 2 * kPi * c / sides;
        double rx, ry;
        radius(u, a, rx, ry);
        outward = n1 * std::cos(a) + n2 * std::sin(a);
        p = centre + n1 * (rx * std::cos(a)) + n2 * (ry * std::sin(a));
        // the tip closes to a point
        if (r == rows - 1) p = centre;
        bone = firstJoint + std::min(joints - 1, static_cast<int>(std::lround(u * (joints - 1))));
    });
}

Key MakeKey(double time, double x, double y, double z) {
    return {static_cast<float>(time), {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)}};
}

// A joint whose bind position is `local` relative to its parent (no bind
// rotation), with a gentle two-second sway as its keys.
Joint MakeJoint(const std::string& name, const std::string& parent, V3 local, double phase, double sway) {
    Joint j;
    j.name = name;
    j.parentName = parent;
    j.position[0] = static_cast<float>(local.x);
    j.position[1] = static_cast<float>(local.y);
    j.position[2] = static_cast<float>(local.z);
    for (int i = 0; i <= 4; ++i) {
        const double time = i * 0.5;
        const double swing = sway * std::sin(i * kPi / 2 + phase);
        j.rotationKeys.push_back(MakeKey(time, swing * 0.5, 0, swing));
    }
    j.positionKeys.push_back(MakeKey(0.0, 0, 0, 0));
    j.positionKeys.push_back(MakeKey(2.0, 0, 0, 0));
    return j;
}

void AddJoints(File& f) {
    // The root sits at the bell's centre, turned a little so its children's
    // bind positions pass through a rotation.
    Joint root = MakeJoint("bell", "", {0, 20.0, 0}, 0, 0);
    root.rotation[1] = static_cast<float>(kPi / 8);
    root.positionKeys = {MakeKey(0.0, 0, 0, 0), MakeKey(1.0, 0, 1.5, 0), MakeKey(2.0, 0, 0, 0)};
    root.colour[0] = 0.6f, root.colour[1] = 0.9f, root.colour[2] = 1.0f;
    f.joints.push_back(root);
    // undo the root's turn about y for its direct children's positions
    const double c = std::cos(kPi / 8), s = std::sin(kPi / 8);
    auto underRoot = [&](V3 world) {
        const V3 d = world - V3{0, 20.0, 0};
        return V3{c * d.x - s * d.z, d.y, s * d.x + c * d.z};
    };
    Joint core = MakeJoint("core", "bell", underRoot({0, 19.5, 0}), 0, 0.05);
    core.colour[0] = 1.0f, core.colour[1] = 0.8f, core.colour[2] = 0.3f;
    f.joints.push_back(core);

    auto chain = [&](const std::string& stem, int count, int k, auto point) {
        V3 previous = point(k, 0.0);
        for (int i = 0; i < count; ++i) {
            const V3 here = point(k, double(i) / (count - 1));
            const std::string name = stem + std::to_string(k + 1) + "_" + std::to_string(i + 1);
            const std::string parent = i == 0 ? "bell" : stem + std::to_string(k + 1) + "_" + std::to_string(i);
            Joint j =
                MakeJoint(name, parent, i == 0 ? underRoot(here) : here - previous, k * 0.7 + i * 0.9, 0.08 * (i + 1));
            const float shade = 1.0f - 0.2f * static_cast<float>(i);
            j.colour[0] = shade, j.colour[1] = 0.5f * shade, j.colour[2] = 0.4f;
            f.joints.push_back(j);
            previous = here;
        }
    };
    for (int k = 0; k < kTentacles; ++k) chain("tentacle", kTentacleJoints, k, TentaclePoint);
    for (int k = 0; k < kArms; ++k) chain("arm", kArmJoints, k, ArmPoint);
}

Material MakeMaterial(const std::string& name, const char* texture, double r, double g, double b) {
    Material m;
    m.name = name;
    m.textureFile = texture;
    const float colour[3] = {static_cast<float>(r), static_cast<float>(g), static_cast<float>(b)};
    for (int i = 0; i < 3; ++i) {
        m.ambient[i] = colour[i] * 0.4f;
        m.diffuse[i] = colour[i];
        m.specular[i] = 0.6f;
    }
    m.shininess = 40;
    return m;
}

void AddMaterials(File& f) {
    Material core = MakeMaterial("glow core", kGlowTextureFile, 1.0, 0.85, 0.6);
    core.mode = kMs3dModeSphereMapBit;
    core.emissive[0] = 0.5f, core.emissive[1] = 0.3f, core.emissive[2] = 0.2f;
    Material tentacle = MakeMaterial("tentacle", kTentacleTextureFile, 1.0, 0.7, 0.6);
    Material bell = MakeMaterial("bell glass", kBellTextureFile, 0.7, 0.9, 1.0);
    bell.transparency = 0.7f;
    bell.mode = kMs3dModeBlendBit;
    bell.emissive[0] = 0.15f, bell.emissive[1] = 0.3f, bell.emissive[2] = 0.45f;
    bell.shininess = 90;
    f.materials = {core, tentacle, bell};
}

// Everything above is laid out in units of half the model's final size.
constexpr float kModelScale = 2.0f;

void ScaleModel(File& f, float scale) {
    for (Vertex& v : f.vertices) {
        for (float& c : v.position) c *= scale;
    }
    for (Joint& j : f.joints) {
        for (float& c : j.position) c *= scale;
        for (Key& k : j.positionKeys) {
            for (float& c : k.value) c *= scale;
        }
    }
}

}  // namespace

ms3d_writer::File BuildDefaultModel() {
    File f;
    f.groups.resize(4);
    f.groups[kCoreGroup].name = "core";
    f.groups[kCoreGroup].materialIndex = kCoreMaterial;
    f.groups[kArmGroup].name = "oral arms";
    f.groups[kArmGroup].materialIndex = -1;  // plain, untextured
    f.groups[kTentacleGroup].name = "tentacles";
    f.groups[kTentacleGroup].materialIndex = kTentacleMaterial;
    f.groups[kBellGroup].name = "bell";
    f.groups[kBellGroup].materialIndex = kBellMaterial;
    AddMaterials(f);
    AddJoints(f);

    MeshBuilder mesh(f);
    // core: a slightly squashed sphere
    mesh.AddClosedGrid(14, 24, kCoreGroup, [](int r, int c, V3& p, V3& outward, int& bone) {
        const double a = kPi * (r + 0.02) / 13.04, b = 2 * kPi * c / 24;
        outward = {std::sin(a) * std::cos(b), std::cos(a), std::sin(a) * std::sin(b)};
        p = V3{0, 19.5, 0} + V3{outward.x * 3.2, outward.y * 2.6, outward.z * 3.2};
        bone = 1;
    });
    // bell: the profile swept around y, its rim scalloped into sixteen lobes
    mesh.AddClosedGrid(30, 64, kBellGroup, [](int r, int c, V3& p, V3& outward, int& bone) {
        const double f = double(r) / 29, b = 2 * kPi * c / 64;
        double radius, y, r2, y2;
        BellProfile(f, radius, y);
        BellProfile(std::min(1.0, f + 0.01), r2, y2);
        double r1, y1;
        BellProfile(std::max(0.0, f - 0.01), r1, y1);
        const double lobe = 1.0 + 0.05 * std::cos(16 * b) * std::pow(std::sin(std::min(1.0, f / 0.6) * kPi / 2), 6);
        const double dr = r2 - r1, dy = y2 - y1;
        outward = {-dy * std::cos(b), dr, -dy * std::sin(b)};  // the profile's normal, turned about y
        p = {radius * lobe * std::cos(b), y, radius * lobe * std::sin(b)};
        bone = 0;
    });
    for (int k = 0; k < kTentacles; ++k) {
        AddTube(
            mesh, kTentacleGroup, 40, 8, 2 + k * kTentacleJoints, kTentacleJoints,
            [k](double u) { return TentaclePoint(k, u); },
            [](double u, double, double& rx, double& ry) { rx = ry = 0.9 * (1 - u) + 0.12; });
    }
    for (int k = 0; k < kArms; ++k) {
        AddTube(
            mesh, kArmGroup, 30, 10, 2 + kTentacles * kTentacleJoints + k * kArmJoints, kArmJoints,
            [k](double u) { return ArmPoint(k, u); },
            [](double u, double a, double& rx, double& ry) {
                const double frill = 1.0 + 0.35 * std::sin(u * kPi * 14) * std::cos(a * 2);
                rx = (1.3 * (1 - u) + 0.2) * frill;
                ry = 0.45 * (1 - u) + 0.1;
            });
    }
    mesh.FinishNormals();
    ScaleModel(f, kModelScale);

    f.frameRate = 24;
    f.totalFrames = 48;
    f.groupComments = {{kCoreGroup, "Glowing core, sphere-mapped."},
                       {kArmGroup, "Oral arms in the plain material."},
                       {kTentacleGroup, "Eight tentacles, four joints each."},
                       {kBellGroup, "Drawn last: the bell is glass."}};
    f.materialComments = {{kBellMaterial, "Blended; alpha in the texture."}};
    f.jointComments = {{0, "Root: the bell pulses up and down."}};
    f.modelCommentFlag = 1;
    f.modelComment.text = "Lantern medusa, the Velmora! centrepiece.";
    f.vertexExtrasSubVersion = 2;
    f.jointSize = 0.6f;
    f.transparencyMode = 0;
    f.alphaRef = 0.5f;
    return f;
}

bool WriteDefaultModel(const std::string& dataDir) {
    const std::string model = Encode(BuildDefaultModel());
    return !model.empty() && WriteModelTextures(dataDir) && WriteFile(dataDir + dataName::kModel, model);
}
