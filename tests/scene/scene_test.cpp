// The scene's parts that need no GL: the camera path, the wave's
// field, the cube's face order and the snapshot switches; and, on Mesa's
// off-screen context, small views of the wave against its every cell.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "make_data.h"
#include "platform/platform.h"
#include "scene/camera_path.h"
#include "scene/scene.h"
#include "scene/scene_textures.h"
#include "scene/spinning_cube.h"
#include "scene/wave_surface.h"
#include "settings/data_paths.h"
#include "shell/snapshot.h"
#include "support/temp_dir.h"

namespace {

// Each case plays its own camera path file from a fresh start; the first step
// only opens the file.
TEST(CameraPath, StepsThroughTheFileAndLoops) {
    const std::vector<float> initial = {-1.2607f, 60.0682f, 129.0309f, -1.2621f, 60.0652f, 128.8863f};
    const struct {
        const char* what;
        std::string text;
        std::vector<std::vector<float>> steps;  // eye and target after each step from the second
    } cases[] = {
        {"no line break at the end: loops without a seam",
         "1,2,3\n4,5,6\n7,8,9\n10,11,12",
         {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {1, 2, 3, 4, 5, 6}}},
        {"a line break at the end repeats the last target once",
         "1,2,3\n4,5,6\n7,8,9\n10,11,12\n",
         {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}, {10, 11, 12, 10, 11, 12}, {1, 2, 3, 4, 5, 6}}},
        {"partial parses keep the rest",
         "1, 2, 3\n4,5,6\n7 ,8,9\n10,11\njunk\n13,14,15",
         {{1, 2, 3, 4, 5, 6}, {7, 2, 3, 10, 11, 6}, {7, 2, 3, 13, 14, 15}}},
        {"long lines are read in 79-character pieces",
         "10,20,30" + std::string(71, ' ') + "40,50,60\n70,80,90\n",
         {{10, 20, 30, 40, 50, 60}, {70, 80, 90, 70, 80, 90}}},
    };
    TempDir folder;
    programFolder = folder.Path() + "/";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        folder.Write("data/p", c.text);
        ResetCameraPath();
        StepCameraPath();
        EXPECT_EQ(std::vector<float>(eyePoint, eyePoint + 3), std::vector<float>(initial.begin(), initial.begin() + 3));
        for (size_t k = 0; k < c.steps.size(); ++k) {
            StepCameraPath();
            std::vector<float> got(eyePoint, eyePoint + 3);
            got.insert(got.end(), pathTarget, pathTarget + 3);
            EXPECT_EQ(got, c.steps[k]) << "step " << k + 1;
            EXPECT_EQ(frameCounter, int(k) + 1);
        }
    }
    // The counter runs to 3100 and wraps whatever the file's length.
    folder.Write("data/p", "1,2,3\n4,5,6\n");
    ResetCameraPath();
    for (int step = 0; step <= kFrameCounterLast; ++step) StepCameraPath();
    EXPECT_EQ(frameCounter, kFrameCounterLast);
    StepCameraPath();
    EXPECT_EQ(frameCounter, 0);
    // The generated path, played twice round: one step a frame, none a jump,
    // back at the first frame's eye whenever the counter wraps.
    ASSERT_TRUE(WriteCameraPath(folder.Path() + "/data/"));
    ResetCameraPath();
    auto from = [](const float* a, const float* b) { return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]); };
    float last[3] = {initial[0], initial[1], initial[2]};
    for (int step = 0; step < 2 * (kFrameCounterLast + 1) + 2; ++step) {
        StepCameraPath();
        ASSERT_LT(from(eyePoint, last), 2.0f) << "step " << step;
        ASSERT_LT(frameCounter == 0 ? from(eyePoint, initial.data()) : 0.0f, 1e-3f) << "step " << step;
        std::copy(eyePoint, eyePoint + 3, last);
    }

    // Missing, or too long for the path buffer: the camera stays, one message.
    for (const std::string& where : {folder.Path() + "/none/", "/" + std::string(kDataPathSize, 'a') + "/"}) {
        programFolder = where;
        ResetCameraPath();
        testing::internal::CaptureStdout();
        for (int k = 0; k < 5; ++k) StepCameraPath();
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "***Can't open the camera path " + where + "data/p, the camera stays still!\n");
        EXPECT_EQ(std::vector<float>(pathTarget, pathTarget + 3),
                  std::vector<float>(initial.begin() + 3, initial.end()));
        EXPECT_EQ(frameCounter, 0);
    }
    ResetCameraPath();
}

// The process's one off-screen context, 160 x 120, made by the first case
// that draws.
void NeedContext() {
    static std::string error;
    static const bool made = platform::CreateOffscreenContext(160, 120, &error);
    ASSERT_TRUE(made) << error;
}

// The mesh's normal at an inner vertex of the field at `phase`: its
// averaged triangles follow the surface's own slope closely.
std::vector<float> SurfaceNormal(int i, int j, float phase) {
    const double dx = kWaveNumber * std::cos(j * double(kWaveNumber) + phase);
    const double dz = kWaveNumber * std::cos(i * double(kWaveNumber) + phase);
    const double length = std::sqrt(dx * dx + 1 + dz * dz);
    return {float(-dx / length), float(1 / length), float(-dz / length)};
}

// Heights and texture coordinates show in the reference frames; the normals,
// read only by a view that draws the wave lit (the scene never does), and the
// zoom's turn, some 5000 frames in, don't.
TEST(WaveSurface, NormalsPhaseAndZoomFrameByFrame) {
    ResetWaveSurface();
    std::vector<float> phases = {0.0f};  // the phase after each update
    float zoom = 0.5f;
    int wraps = 0;
    for (int frame = 1; frame <= 150; ++frame) {
        UpdateWaveSurface();
        zoom -= kWaveZoomStep;
        ASSERT_EQ(waveSurface.zoom, zoom);
        float phase = phases.back() + kWavePhaseStep;
        if (phase > kWavePhaseWrap) phase -= kWavePhaseWrap, ++wraps;  // to the remainder, not to 0
        ASSERT_EQ(waveSurface.phase, phase) << frame;
        phases.push_back(phase);
        if (frame % 37 > 2) continue;
        // The mesh shows the field one update late: flat in the first frame.
        // Only a view that draws the wave lit makes its normals.
        NeedContext();
        glEnable(GL_LIGHTING);
        DrawWaveMesh();
        glDisable(GL_LIGHTING);
        for (int v = kWaveSide + 1; v < kWaveVertices - kWaveSide; v += 13) {
            const int i = v / kWaveSide, j = v % kWaveSide;
            if (j == 0 || j == kWaveCells) continue;
            const std::vector<float> n =
                frame == 1 ? std::vector<float>{0, 1, 0} : SurfaceNormal(i, j, phases[frame - 2]);
            for (int k = 0; k < 3; ++k) ASSERT_NEAR(waveSurface.normals[v][k], n[k], 1e-5) << frame << " " << v;
        }
    }
    EXPECT_EQ(wraps, 2);
    // The zoom turns at the first value past either end of its range.
    for (float end : {-1.0f, 1.0f}) {
        waveSurface.zoom = end * 0.49985f;
        waveSurface.zoomRising = end > 0;
        for (float past : {-0.5f, 0.5f, -0.5f, -1.5f}) {
            UpdateWaveSurface();
            EXPECT_NEAR(waveSurface.zoom, end * (0.5f + past * kWaveZoomStep), 1e-6) << end << " " << past;
        }
    }
}

void* volatile keptBlock;  // so that the block is really allocated

// Seen from above, every ray down into the mesh's square meets a surface
// without cracks, whatever its heights: drawn plain white on black, with
// blocks of steps 3, 5 and 15 side by side, no pixel stays black once the
// seams are fitted, and a field rough enough to part unfitted seams by whole
// pixels shows every crack left. The view's blocks behind the eye are left out.
TEST(WaveDetail, RoughFieldLeavesNoCrackBetweenBlocksOfDifferentSteps) {
    NeedContext();
    // A frame's large blocks stay in the heap, never mapped afresh each frame.
    const size_t mapped = mallinfo2().hblks;
    keptBlock = std::malloc(24 << 20);
    EXPECT_EQ(mallinfo2().hblks, mapped);
    std::free(keptBlock);
    ResetWaveSurface();
    UpdateWaveSurface();  // the grid
    for (int v = 0; v < kWaveVertices; ++v)
        waveSurface.meshHeights[v] = waveSurface.vertices[v][1] = float((v * 37 + v / kWaveSide * 91) % 17) / 4 - 2;
    glMatrixMode(GL_PROJECTION);
    glFrustum(-0.77, 0.77, -0.577, 0.577, 1, 1000);
    glMatrixMode(GL_MODELVIEW);
    glRotatef(40, 1, 0, 0);  // the view's top edge meets the mesh 10 degrees down
    glRotatef(45, 0, 1, 0);  // seams of both directions across the view
    glTranslatef(100, -12, -100);
    const auto blackPixels = [] {  // red, green and blue values of 0 in the view
        std::vector<std::uint8_t> rgba(160 * 120 * 4);
        EXPECT_TRUE(ReadFramePixels(160, 120, rgba.data()));
        int black = 0;
        for (size_t k = 0; k < rgba.size(); ++k) black += k % 4 != 3 && rgba[k] == 0;
        return black;
    };
    sceneFullDetail = true;
    glClear(GL_COLOR_BUFFER_BIT);
    DrawWaveMesh();
    EXPECT_EQ(blackPixels(), 0) << "every cell";
    sceneFullDetail = false;

    WaveDetail& detail = waveSurface.detail;
    const unsigned char sideBySide[3] = {3, 5, 15};
    for (int bi = 0; bi < kWaveBlocks; ++bi)
        for (int bj = 0; bj < kWaveBlocks; ++bj) detail.steps[bi][bj] = sideBySide[(bi + bj) % 3];
    BuildWaveIndices(&detail);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, waveSurface.vertices);
    for (bool fit : {true, false}) {
        FitWaveSeams(detail, fit);
        glClear(GL_COLOR_BUFFER_BIT);
        glDrawElements(GL_TRIANGLES, detail.indexCount, GL_UNSIGNED_SHORT, detail.indices);
        if (fit)
            EXPECT_EQ(blackPixels(), 0) << "fitted seams";
        else
            EXPECT_GT(blackPixels(), 0) << "unfitted seams crack: the field is rough enough to show it";
    }
    glDisableClientState(GL_VERTEX_ARRAY);

    ChooseWaveDetail(&detail);
    // The last row of blocks lies behind the eye: none of it is sent.
    const auto& behind = detail.steps[kWaveBlocks - 1];
    EXPECT_EQ(std::count(std::begin(behind), std::end(behind), 0), kWaveBlocks);
    platform::DestroyOffscreenContext();
}

TEST(CubeOrder, FarthestFaceFirstForTheEyePoint) {
    const struct {
        float eye[3];
        std::vector<int> order;
    } cases[] = {
        {{-1.2607f, 60.0682f, 129.0309f}, {5, 1, 3, 2, 0, 4}},  // the first frame
        {{0.0f, 60.0f, 129.0f}, {5, 1, 2, 3, 0, 4}},            // ties keep face order
        {{100.0f, 0.0f, 0.0f}, {2, 0, 1, 4, 5, 3}},
        {{0.0f, -50.0f, 0.0f}, {0, 2, 3, 4, 5, 1}},
        {{3.0f, 4.0f, -5.0f}, {4, 1, 2, 3, 0, 5}},
    };
    for (const auto& c : cases) {
        for (int k = 0; k < 3; ++k) eyePoint[k] = c.eye[k];
        SortCubeFaces();
        EXPECT_EQ(std::vector<int>(cubeFaceOrder, cubeFaceOrder + 6), c.order) << c.eye[0] << "," << c.eye[1];
    }
}

TEST(SnapshotArguments, FileSizeAndFrames) {
    const struct {
        std::vector<std::string> args;
        int width, height, frames;  // 0: refused
    } cases[] = {
        {{"out.png"}, 960, 540, 1},
        {{"out.png", "--frames", "30", "--size", "1920x1080"}, 1920, 1080, 30},
        {{"out.png", "--size", "8192x1"}, 8192, 1, 1},
        {{}, 0, 0, 0},
        {{"--size", "64x48"}, 0, 0, 0},
        {{"out.png", "--size"}, 0, 0, 0},
        {{"out.png", "--size", "64"}, 0, 0, 0},
        {{"out.png", "--size", "0x48"}, 0, 0, 0},
        {{"out.png", "--size", "8193x2"}, 0, 0, 0},
        {{"out.png", "--size", "-4x48"}, 0, 0, 0},
        {{"out.png", "--frames", "0"}, 0, 0, 0},
        {{"out.png", "--frames", "1000001"}, 0, 0, 0},
        {{"out.png", "--frames", "99999999999999999999"}, 0, 0, 0},
        {{"out.png", "--speed", "3"}, 0, 0, 0},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv;
        std::string line;
        for (const std::string& a : c.args) argv.push_back(const_cast<char*>(a.c_str())), line += a + " ";
        argv.push_back(nullptr);
        SnapshotRequest request;
        const char* error = nullptr;
        const bool ok = ParseSnapshotArguments(int(c.args.size()), argv.data(), &request, &error);
        EXPECT_EQ(std::make_pair(ok, error == nullptr), std::make_pair(c.frames != 0, c.frames != 0)) << line;
        EXPECT_EQ(ok ? std::vector<int>({request.width, request.height, request.frames}) : std::vector<int>(3, 0),
                  std::vector<int>({c.width, c.height, c.frames}))
            << line;
    }
}

// Raw images have sides of 1 to 1024 pixels; other sides read nothing.
TEST(RawPixels, SidesOutsideTheRangeReadNothing) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::vector<std::uint8_t> pixels(1025 * 4, 7), read(1025 * 4, 0);
    ASSERT_EQ(std::fwrite(pixels.data(), 1, pixels.size(), file), pixels.size());
    for (auto [rows, columns, ok] : {std::tuple{1024, 1, true},
                                     {1, 1024, true},
                                     {1025, 1, false},
                                     {1, 1025, false},
                                     {0, 4, false},
                                     {4, 0, false},
                                     {-1, 4, false}}) {
        std::rewind(file);
        EXPECT_EQ(ReadRawPixels(file, read.data(), 4, rows, columns), ok) << rows << " x " << columns;
    }
    std::fclose(file);
}

}  // namespace
