// frame_bench [--size WxH] [--frames N] [--full-detail]: the scene's frame on the off-screen
// context (Mesa llvmpipe here), default 1920 x 1080 and 300 frames. Prints the
// median of the whole frame and of each piece with its CPU time, the wave as
// drawn (the blocks in view, coarser where the grid's error is under half a pixel)
// against every cell in strips and one call per corner, the wave's CPU update,
// the model alone (as drawn, its vertices only, up to the rasteriser), the
// time from start to the first finished frame, the peak resident memory,
// the pages faulted in a frame,
// CPU time of all threads a frame, frames sampled along the whole camera
// path, and each piece's floor: filled without sampling its textures, and
// with no fragments at all.
#include <GL/gl.h>
#include <GL/glu.h>

#include <sys/resource.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "model/model_viewer.h"
#include "platform/platform.h"
#include "scene/backdrop.h"
#include "scene/camera_path.h"
#include "scene/scene.h"
#include "scene/scene_frame.h"
#include "scene/scene_textures.h"
#include "scene/spinning_cube.h"
#include "scene/wave_surface.h"
#include "settings/data_names.h"
#include "settings/data_paths.h"
#include "shell/screen_window.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

// The value that `share` of the values do not exceed (nearest rank).
double Percentile(std::vector<double> values, double share) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t rank = static_cast<std::size_t>(share * static_cast<double>(values.size()) + 0.5);
    return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

// Pages the kernel had to fault in so far: a heap given back after each
// frame and taken again on the next shows here.
long MinorPageFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// CPU time of every thread of the process: llvmpipe's rasteriser threads too.
double ProcessCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// CPU time of the last TimePiece: on a machine shared with other work it
// varies less than the wall time.
double lastPieceCpuMs = 0.0;

// Runs `piece` and waits until the rasteriser has finished it.
template <typename Piece>
double TimePiece(Piece piece) {
    const double cpuStart = ProcessCpuMs();
    const Clock::time_point start = Clock::now();
    piece();
    glFinish();
    lastPieceCpuMs = ProcessCpuMs() - cpuStart;
    return MsSince(start);
}

// Wall and CPU times of one piece over the frames.
struct PieceTimes {
    std::vector<double> wall, cpu;
    template <typename Piece>
    void Add(Piece piece) {
        wall.push_back(TimePiece(piece));
        cpu.push_back(lastPieceCpuMs);
    }
};

double Mean(const std::vector<double>& values) {
    double sum = 0.0;
    for (double value : values) sum += value;
    return values.empty() ? 0.0 : sum / static_cast<double>(values.size());
}

std::string PeakResident() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return line.substr(6);
    return " unknown";
}

struct Pieces {
    PieceTimes camera, sky, model, ground, waveUpdate, waveDraw, cube;
};

// The camera of the path's current step, as the frame sets it.
void LookAlongPath() {
    const bool follow = frameCounter >= kOrbitSteps;
    gluLookAt(eyePoint[0], eyePoint[1], eyePoint[2], follow ? pathTarget[0] : 0.0f, follow ? pathTarget[1] : 40.0f,
              follow ? pathTarget[2] : 0.0f, 0.0, 1.0, 0.0);
}

// The frame's steps one by one, each finished before the next, in the
// frame's order and state.
void TimedFrame(Pieces& pieces) {
    ClearSceneBuffers(true);
    pieces.camera.Add([] {
        glLoadIdentity();
        StepCameraPath();
        AdvanceCubeAngle();
        LookAlongPath();
    });
    pieces.sky.Add(DrawSkyBox);
    pieces.model.Add(DrawPlacedModel);
    pieces.ground.Add(DrawGroundPlane);
    // DrawScaledWave's steps, timed apart: the CPU update and the drawing.
    glPushMatrix();
    glScalef(3.0f, 2.0f, 3.0f);
    BeginWaveState();
    pieces.waveUpdate.Add(UpdateWaveSurface);
    pieces.waveDraw.Add(DrawWaveMesh);
    EndWaveState();
    glPopMatrix();
    pieces.cube.Add(DrawTurningCube);
}

// The frame's pieces one by one as TimedFrame draws them, without the
// scene's step: the floors' variants draw the same frame in turn.
void FloorFrame(Pieces& pieces) {
    ClearSceneBuffers(true);
    glLoadIdentity();
    LookAlongPath();
    pieces.sky.Add(DrawSkyBox);
    pieces.model.Add(DrawPlacedModel);
    pieces.ground.Add(DrawGroundPlane);
    pieces.waveDraw.Add(DrawScaledWave);
    pieces.cube.Add(DrawTurningCube);
}

struct FloorVariant {
    const char* name;
    bool sampleNothing, noFragments;
};

// Every scene texture and its grey copy.
std::vector<GLuint> SceneTextureNames() {
    std::vector<GLuint> names;
    for (const SceneTexture& texture : kSceneTextures) {
        names.push_back(texture.slot);
        names.push_back(GreyCopyName(texture.slot));
    }
    return names;
}

// A texture whose base level has no image is incomplete, and fixed-function
// GL then draws as if texturing were off; the filters the sky sets stay its own.
void SetTexturesComplete(const std::vector<GLuint>& names, bool complete) {
    for (GLuint name : names) {
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, complete ? 0 : 1);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

// A frame as the screen window draws it into one view that fills the window.
void WindowFrame() {
    ClearSceneBuffers(true);
    AdvanceSceneFrame();
    DrawSceneView();
}

void Unchanged() {}

// The wave alone in the frame's state (additive, textured, under the scale),
// with one thing of that state changed for the draw when `change` says so:
// that shows where its time goes, sampling, blending or the triangles.
double WaveDraw(void (*draw)(), void (*change)() = Unchanged, void (*restore)() = Unchanged) {
    return TimePiece([draw, change, restore] {
        glPushMatrix();
        glScalef(3.0f, 2.0f, 3.0f);
        BeginWaveState();
        change();
        draw();
        restore();
        EndWaveState();
        glPopMatrix();
    });
}

}  // namespace

int main(int argc, char** argv) {
    const Clock::time_point start = Clock::now();
    int width = 1920;
    int height = 1080;
    int frames = 300;
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--full-detail") == 0) sceneFullDetail = true;
        if (k + 1 == argc) break;
        if (std::strcmp(argv[k], "--size") == 0) std::sscanf(argv[k + 1], "%dx%d", &width, &height);
        if (std::strcmp(argv[k], "--frames") == 0) std::sscanf(argv[k + 1], "%d", &frames);
    }
    std::string error;
    if (!platform::CreateOffscreenContext(width, height, &error)) {
        std::fprintf(stderr, "frame_bench: %s\n", error.c_str());
        return 1;
    }
    std::printf("renderer: %s, %dx%d, %d frames%s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)), width,
                height, frames, sceneFullDetail ? ", full detail" : "");

    // Start-up as a run does it, up to the first finished frame. The texture
    // messages go to standard output like in a run.
    ResizeViewport(width, height);
    GlutViewerCallback callback;
    modelViewer.Init(&callback);
    ResolveProgramFolder();
    const Clock::time_point initStart = Clock::now();
    InitSceneGL();
    const double initMs = MsSince(initStart);
    char modelPath[kDataPathSize];
    FormDataPath(dataName::kModel, modelPath);
    modelViewer.LoadModel(modelPath);
    modelViewer.UploadModel();
    DrawSceneFrame();
    glFinish();
    const double firstFrameMs = MsSince(start);

    std::vector<double> whole;
    const double cpuStart = ProcessCpuMs();
    const long faultsStart = MinorPageFaults();
    const Clock::time_point wholeStart = Clock::now();
    for (int f = 0; f < frames; ++f) whole.push_back(TimePiece(WindowFrame));
    const double wholeWallMs = MsSince(wholeStart) / frames;
    const double wholeCpuMs = (ProcessCpuMs() - cpuStart) / frames;
    const double faultsPerFrame = static_cast<double>(MinorPageFaults() - faultsStart) / frames;

    // Each piece as drawn and at full detail, frame by frame in turn: a
    // change in the machine's load hits both alike.
    const bool fullDetailAsked = sceneFullDetail;
    Pieces pieces, fullPieces;
    for (int f = 0; f < 2 * frames; ++f) {
        sceneFullDetail = fullDetailAsked || f % 2 == 1;
        TimedFrame(f % 2 == 0 ? pieces : fullPieces);
    }
    sceneFullDetail = fullDetailAsked;

    // Frames from the whole path, circle and flight: every tenth step drawn.
    // The steps between are only read, so the view jumps but the wave and the
    // cube go on a frame at a time.
    constexpr int kPathSteps = 3101;
    constexpr int kPathStride = 10;
    std::vector<double> wholePath;
    double pathTriangles = 0.0;
    const double pathCpuStart = ProcessCpuMs();
    for (int step = 0; step < kPathSteps; step += kPathStride) {
        for (int skip = 1; skip < kPathStride; ++skip) StepCameraPath();
        wholePath.push_back(TimePiece(WindowFrame));
        pathTriangles += sceneFullDetail ? kWaveTriangles : waveSurface.detail.indexCount / 3;
    }
    const double pathCpuMs = (ProcessCpuMs() - pathCpuStart) / static_cast<double>(wholePath.size());

    // The wave as drawn (only the blocks in view, coarser where cells are
    // under half a pixel), every cell as strips, and one call per corner.
    PieceTimes detail, strips, perCorner;
    for (int f = 0; f < frames / 2 + 1; ++f) {
        UpdateWaveSurface();
        detail.Add([] { WaveDraw(DrawWaveMesh); });
        const bool fullDetail = sceneFullDetail;
        sceneFullDetail = true;
        strips.Add([] { WaveDraw(DrawWaveMesh); });
        sceneFullDetail = fullDetail;
        perCorner.Add([] { WaveDraw(DrawWaveMeshPerCorner); });
    }

    // Where the wave's time goes. Each variant's frames alternate with the
    // others so that a change in the machine's load hits them alike.
    const struct {
        const char* name;
        void (*change)();
        void (*restore)();
    } variants[] = {
        {"as drawn", Unchanged, Unchanged},
        {"untextured", [] { glDisable(GL_TEXTURE_2D); }, Unchanged},
        {"unblended", [] { glDisable(GL_BLEND); }, Unchanged},
        {"nearest sampling",
         [] {
             glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
             glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
         },
         [] {
             glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
             glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
         }},
        {"scissored to 1 pixel (no fragments)",
         [] {
             glEnable(GL_SCISSOR_TEST);
             glScissor(0, 0, 1, 1);
         },
         [] { glDisable(GL_SCISSOR_TEST); }},
    };
    std::vector<std::vector<double>> variantTimes(sizeof variants / sizeof variants[0]);
    for (int f = 0; f < frames / 2 + 1; ++f)
        for (std::size_t v = 0; v < variantTimes.size(); ++v)
            variantTimes[v].push_back(WaveDraw(DrawWaveMesh, variants[v].change, variants[v].restore));

    // Where the model's time goes: its vertices alone (every face culled),
    // up to the rasteriser's set-up (scissored), and as drawn.
    const struct {
        const char* name;
        void (*change)();
    } modelVariants[] = {
        {"as drawn", [] {}},
        {"every face culled", [] { glCullFace(GL_FRONT_AND_BACK); }},
        {"scissored to 1 pixel",
         [] {
             glEnable(GL_SCISSOR_TEST);
             glScissor(0, 0, 1, 1);
         }},
    };
    std::vector<PieceTimes> modelTimes(sizeof modelVariants / sizeof modelVariants[0]);
    for (int f = 0; f < frames / 2 + 1; ++f)
        for (std::size_t v = 0; v < modelTimes.size(); ++v) {
            modelVariants[v].change();
            modelTimes[v].Add(DrawPlacedModel);
            glCullFace(GL_BACK);
            glDisable(GL_SCISSOR_TEST);
        }

    // Each piece's floor on this renderer: as drawn, with every scene texture
    // incomplete (a base level with no image: the piece is filled in its
    // blend, alpha test and colour but samples nothing) and scissored to one
    // pixel (its vertices and set-up only). The model's own textures stay.
    const FloorVariant floorVariants[] = {
        {"as drawn", false, false}, {"sampling nothing", true, false}, {"no fragments", false, true}};
    constexpr int kFloorVariants = sizeof floorVariants / sizeof floorVariants[0];
    const std::vector<GLuint> sceneNames = SceneTextureNames();
    Pieces floorPieces[kFloorVariants];
    for (int f = 0; f < frames / 2 + 1; ++f) {
        for (int k = 0; k < kFloorVariants; ++k) {
            const int v = (f + k) % kFloorVariants;
            SetTexturesComplete(sceneNames, !floorVariants[v].sampleNothing);
            if (floorVariants[v].noFragments) {
                glEnable(GL_SCISSOR_TEST);
                glScissor(0, 0, 1, 1);
            }
            FloorFrame(floorPieces[v]);
            glDisable(GL_SCISSOR_TEST);
        }
        AdvanceSceneFrame();
    }
    SetTexturesComplete(sceneNames, true);

    std::printf("\nmedian ms of %d frames\n", frames);
    std::printf("  whole frame as the window draws it      %8.3f\n", Median(whole));
    std::printf("  CPU time of all threads per frame       %8.3f (mean; wall %.3f)\n", wholeCpuMs, wholeWallMs);
    std::printf("  pages faulted in per frame              %8.1f\n", faultsPerFrame);
    std::printf(
        "  each piece finished before the next:    median wall, mean CPU of all threads;"
        " at full detail in the frames between\n");
    const struct {
        const char* name;
        PieceTimes Pieces::*times;
    } rows[] = {
        {"clear, camera and cube step, look-at", &Pieces::camera},
        {"sky box", &Pieces::sky},
        {"model", &Pieces::model},
        {"ground plane", &Pieces::ground},
        {"wave CPU update", &Pieces::waveUpdate},
        {"wave drawing", &Pieces::waveDraw},
        {"spinning cube", &Pieces::cube},
    };
    double sums[2] = {};
    for (const auto& row : rows) {
        const PieceTimes& drawn = pieces.*row.times;
        const PieceTimes& full = fullPieces.*row.times;
        sums[0] += Mean(drawn.cpu);
        sums[1] += Mean(full.cpu);
        std::printf("  %-38s %8.3f %8.3f    %8.3f %8.3f\n", row.name, Median(drawn.wall), Mean(drawn.cpu),
                    Median(full.wall), Mean(full.cpu));
    }
    std::printf("  %-38s %8s %8.3f    %8s %8.3f\n", "sum of the pieces", "", sums[0], "", sums[1]);
    std::printf(
        "whole path, every %dth of its %d steps (%zu frames): median %.3f, 90th percentile %.3f, worst %.3f,"
        " CPU %.3f a frame\n",
        kPathStride, kPathSteps, wholePath.size(), Median(wholePath), Percentile(wholePath, 0.9),
        Percentile(wholePath, 1.0), pathCpuMs);
    std::printf("wave triangles drawn along the path: mean %.0f of %d\n",
                pathTriangles / static_cast<double>(wholePath.size()), kWaveTriangles);
    std::printf(
        "wave alone, median wall / mean CPU: as drawn %.3f / %.3f, every cell in strips %.3f / %.3f,"
        " one call per corner %.3f / %.3f\n",
        Median(detail.wall), Mean(detail.cpu), Median(strips.wall), Mean(strips.cpu), Median(perCorner.wall),
        Mean(perCorner.cpu));
    std::printf("wave alone, one state changed:\n");
    for (std::size_t v = 0; v < variantTimes.size(); ++v)
        std::printf("  %-38s %8.3f\n", variants[v].name, Median(variantTimes[v]));
    std::printf("model alone, median wall / mean CPU:\n");
    for (std::size_t v = 0; v < modelTimes.size(); ++v)
        std::printf("  %-38s %8.3f %8.3f\n", modelVariants[v].name, Median(modelTimes[v].wall),
                    Mean(modelTimes[v].cpu));
    std::printf("each piece's floor, mean CPU of all threads:");
    for (const FloorVariant& variant : floorVariants)
        std::printf(" %s%s", variant.name, &variant == floorVariants + kFloorVariants - 1 ? "\n" : ",");
    const struct {
        const char* name;
        PieceTimes Pieces::*times;
    } floorRows[] = {{"sky box", &Pieces::sky},
                     {"model (its own textures stay)", &Pieces::model},
                     {"ground plane", &Pieces::ground},
                     {"wave", &Pieces::waveDraw},
                     {"spinning cube", &Pieces::cube}};
    double floorSums[kFloorVariants] = {};
    for (const auto& row : floorRows) {
        std::printf("  %-38s", row.name);
        for (int v = 0; v < kFloorVariants; ++v) {
            const double cpu = Mean((floorPieces[v].*row.times).cpu);
            floorSums[v] += cpu;
            std::printf(" %8.3f", cpu);
        }
        std::printf("\n");
    }
    std::printf("  %-38s %8.3f %8.3f %8.3f\n", "sum", floorSums[0], floorSums[1], floorSums[2]);
    std::printf("start-up: scene set-up and textures %.1f ms, start to first finished frame %.1f ms\n", initMs,
                firstFrameMs);
    std::printf("peak resident memory:%s\n", PeakResident().c_str());
    DeleteFontLists();
    platform::DestroyOffscreenContext();
    return 0;
}
