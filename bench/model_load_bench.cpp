// Load time and peak heap of the largest model the MS3D format holds, read by
// Ms3dModel::Load and by assimp's importer (no post-processing) from the same
// file. Run: build/model_load_bench --benchmark_repetitions=10
//            --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "model/ms3d_model.h"
#include "ms3d_writer.h"

// Heap accounting through the global allocation functions: both loaders (and
// assimp's file buffer) allocate through them.
namespace {
std::atomic<size_t> heapNow{0}, heapPeak{0};

void* Allocate(size_t size) {
    void* block = std::malloc(size + 16);
    if (block == nullptr) throw std::bad_alloc();
    *static_cast<size_t*>(block) = size;
    const size_t now = heapNow += size;
    size_t peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(block) + 16;
}

void Release(void* p) {
    if (p == nullptr) return;
    void* block = static_cast<char*>(p) - 16;
    heapNow -= *static_cast<size_t*>(block);
    std::free(block);
}
}  // namespace

void* operator new(size_t size) { return Allocate(size); }
void* operator new[](size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace {

using namespace ms3d_writer;

// 65,535 vertices and triangles in 8 groups, 16 materials, 100 joints in a
// chain with 1,000 rotation and 1,000 position keys each, and every trailing
// section. assimp reads the comment counts as 16-bit where the format has
// 32 bits, so it refuses any file with comments: the file both importers
// read keeps the comments section with empty lists (and then assimp skips
// the sections after it, which it would not use anyway).
// assimp reads vertex and triangle indices as signed 16-bit numbers and
// refuses any above 32,767, so the indices stay below that: every record is
// still there, and the groups list 65,535 triangles in all.
constexpr size_t kIndexLimit = 32767;

File LargestModel(bool withComments) {
    File f;
    f.vertices.resize(65535);
    for (size_t i = 0; i < f.vertices.size(); ++i) {
        Vertex& v = f.vertices[i];
        v.position[0] = static_cast<float>(i % 256);
        v.position[1] = static_cast<float>(i / 256);
        v.position[2] = static_cast<float>((i * 7) % 13);
        v.boneIndex = static_cast<int8_t>(i % 100);
        v.boneIndices[0] = static_cast<int8_t>((i + 1) % 100);
        v.weights[0] = 50;
        v.weights[1] = 50;
    }
    f.triangles.resize(65535);
    for (size_t i = 0; i < f.triangles.size(); ++i) {
        Triangle& t = f.triangles[i];
        for (int c = 0; c < 3; ++c) {
            t.vertexIndices[c] = static_cast<uint16_t>((i + c * 257) % kIndexLimit);
            t.s[c] = 0.1f * c;
            t.t[c] = 0.2f * c;
        }
    }
    f.groups.resize(8);
    for (size_t g = 0; g < f.groups.size(); ++g) {
        f.groups[g].name = "group " + std::to_string(g);
        f.groups[g].materialIndex = static_cast<int8_t>(g);
    }
    for (size_t i = 0; i < f.triangles.size(); ++i) {
        f.groups[i * 8 / f.triangles.size()].triangleIndices.push_back(static_cast<uint16_t>(i % kIndexLimit));
    }
    f.materials.resize(16);
    for (size_t m = 0; m < f.materials.size(); ++m) {
        f.materials[m].name = "material " + std::to_string(m);
        f.materials[m].textureFile = "texture" + std::to_string(m) + ".png";
    }
    f.joints.resize(100);
    for (size_t j = 0; j < f.joints.size(); ++j) {
        Joint& joint = f.joints[j];
        joint.name = "joint " + std::to_string(j);
        joint.parentName = j == 0 ? "" : "joint " + std::to_string(j - 1);
        joint.position[1] = 1;
        for (int k = 0; k < 1000; ++k) {
            joint.rotationKeys.push_back({k / 24.0f, {0.01f * k, 0, 0}});
            joint.positionKeys.push_back({k / 24.0f, {0, 0.01f * k, 0}});
        }
        if (withComments) {
            f.jointComments.push_back({static_cast<int32_t>(j), "joint comment " + std::to_string(j)});
        }
    }
    if (withComments) {
        for (int g = 0; g < 8; ++g) f.groupComments.push_back({g, "group comment"});
        f.materialComments.push_back({0, "material comment"});
        f.modelCommentFlag = 1;
        f.modelComment.text = "the largest model";
    }
    f.vertexExtrasSubVersion = 2;
    return f;
}

const std::string& ModelPath(bool withComments) {
    static const std::string paths[2] = {
        [] {
            const std::string p = (std::filesystem::temp_directory_path() / "velmora-largest.ms3d").string();
            if (!WriteFile(p, Encode(LargestModel(false)))) std::abort();
            return p;
        }(),
        [] {
            const std::string p = (std::filesystem::temp_directory_path() / "velmora-largest-comments.ms3d").string();
            if (!WriteFile(p, Encode(LargestModel(true)))) std::abort();
            return p;
        }()};
    return paths[withComments ? 1 : 0];
}

// Heap in use at the peak of one load into fresh objects, above what was in use before.
template <typename LoadFn>
double PeakHeapMB(LoadFn load) {
    const size_t before = heapNow.load();
    heapPeak = before;
    load();
    return static_cast<double>(heapPeak.load() - before) / (1024.0 * 1024.0);
}

void Report(benchmark::State& state, double peakMB, const std::string& path) {
    state.counters["peak_heap_MB"] = peakMB;
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
}

// state.range(0): 1 for the file with comments (this loader only).
void BM_Ms3dModelLoad(benchmark::State& state) {
    const std::string& path = ModelPath(state.range(0) != 0);
    const double peak = PeakHeapMB([&] {
        Ms3dModel fresh;
        fresh.Load(path.c_str());
    });
    // One model and one importer, each replacing its previous result on
    // every load: both free the last model inside the timed loop.
    Ms3dModel model;
    for (auto _ : state) {
        if (!model.Load(path.c_str())) state.SkipWithError("Ms3dModel::Load refused the file");
        benchmark::DoNotOptimize(model.GetVertexCount());
    }
    Report(state, peak, path);
}

void BM_AssimpReadFile(benchmark::State& state) {
    const std::string& path = ModelPath(false);
    const double peak = PeakHeapMB([&] {
        Assimp::Importer fresh;
        fresh.ReadFile(path, 0);
    });
    Assimp::Importer importer;
    for (auto _ : state) {
        const aiScene* scene = importer.ReadFile(path, 0);
        if (scene == nullptr) state.SkipWithError(importer.GetErrorString());
        if (scene != nullptr && scene->mNumMeshes != 8) state.SkipWithError("assimp read another model");
        benchmark::DoNotOptimize(scene);
    }
    Report(state, peak, path);
}

BENCHMARK(BM_Ms3dModelLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AssimpReadFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
