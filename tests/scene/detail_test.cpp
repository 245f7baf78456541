// What the frame's shortcuts cost a viewer: each frame as drawn against the
// same frame with every cell, filter and clear (sceneFullDetail), at the sizes
// people run, over the whole camera path and frame after frame.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "scene/camera_path.h"
#include "scene/scene.h"
#include "scene/views.h"
#include "shell/scene_start.h"

namespace {

constexpr int kLargestWidth = 1920, kLargestHeight = 1080;
constexpr int kPathFrames = 3101;

struct Size {
    int width, height;
};
constexpr Size kSizes[] = {{160, 120}, {320, 240}, {800, 600}, {1280, 720}, {1920, 1080}};

// RMS over every channel, and the worst 16 x 16 tile's mean absolute
// difference, both as a share of full scale. A crack, a hole or a seam shows
// in its tile long before it moves the whole picture's RMS.
struct Difference {
    double rms = 0, worstTile = 0;
};

Difference Compare(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, Size size) {
    Difference d;
    double sum = 0;
    for (size_t k = 0; k < a.size(); ++k) sum += double(a[k] - b[k]) * (a[k] - b[k]);
    d.rms = std::sqrt(sum / double(a.size())) / 255;
    for (int ty = 0; ty < size.height; ty += 16)
        for (int tx = 0; tx < size.width; tx += 16) {
            double tile = 0;
            int count = 0;
            for (int y = ty; y < std::min(ty + 16, size.height); ++y)
                for (int x = tx; x < std::min(tx + 16, size.width); ++x)
                    for (int c = 0; c < 4; c += c == 2 ? 2 : 1) {  // R, G, B
                        const size_t k = (size_t(y) * size.width + x) * 4 + c;
                        tile += std::abs(a[k] - b[k]);
                        ++count;
                    }
            d.worstTile = std::max(d.worstTile, tile / count / 255);
        }
    return d;
}

// The largest differences seen, printed after each test: the margin left.
Difference worst;

class SceneDetail : public testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(platform::CreateOffscreenContext(kLargestWidth, kLargestHeight, &error)) << error;
        testing::internal::CaptureStdout();  // the texture loader's lines
        StartScene(&callback_);              // the data next to this program: the build's
        testing::internal::GetCapturedStdout();
        ResetScene();
        DrawSceneFrame();  // from then on each view starts from the state the last one left
        frame_ = 1;
    }
    void TearDown() override {
        std::printf("largest differences so far: RMS %.4f, tile %.4f\n", worst.rms, worst.worstTile);
        sceneFullDetail = false;
        DeleteFontLists();
        platform::DestroyOffscreenContext();
    }

    // Moves the scene on to `frame` as the main loop would.
    void AdvanceTo(int frame) {
        for (; frame_ < frame; ++frame_) AdvanceSceneFrame();
    }

    // The current frame at `size`, as drawn and at full detail, each cleared
    // and drawn as a frame is.
    Difference DrawBoth(Size size) {
        SetViewport(0, 0, size.width, size.height);
        std::vector<std::uint8_t> pictures[2];
        for (bool full : {true, false}) {
            sceneFullDetail = full;
            // A pixel the frame leaves undrawn keeps this colour and shows.
            glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            ClearSceneBuffers(true);
            DrawSceneView();
            pictures[full].resize(size_t(size.width) * size.height * 4);
            EXPECT_TRUE(ReadFramePixels(size.width, size.height, pictures[full].data()));
        }
        sceneFullDetail = false;
        return Compare(pictures[0], pictures[1], size);
    }

    GlutViewerCallback callback_;
    int frame_ = 0;
};

void ExpectClose(const Difference& d, const std::string& where) {
    worst.rms = std::max(worst.rms, d.rms);
    worst.worstTile = std::max(worst.worstTile, d.worstTile);
    EXPECT_LE(d.rms, 0.01) << where;
    EXPECT_LE(d.worstTile, 0.03) << where;
}

// Eight frames from the circle and the flight, the model at its nearest and
// farthest among them, at every size.
TEST_F(SceneDetail, FramesAlongThePathAtEverySize) {
    // The eye's distance from the model's centre at every frame of the path.
    std::vector<double> distance(kPathFrames + 1);
    for (int frame = 2; frame <= kPathFrames; ++frame) {
        AdvanceSceneFrame();
        distance[frame] = std::hypot(eyePoint[0], eyePoint[1] - 10.0, eyePoint[2]);
    }
    const int nearest = int(std::min_element(distance.begin() + 2, distance.end()) - distance.begin());
    const int farthest = int(std::max_element(distance.begin() + 2, distance.end()) - distance.begin());
    std::vector<int> frames = {2, 40, 700, 1500, 1999, 2001, 2401, 3000, nearest, farthest};
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    ResetScene();
    DrawSceneFrame();
    frame_ = 1;
    for (int frame : frames) {
        AdvanceTo(frame);
        for (Size size : kSizes)
            ExpectClose(DrawBoth(size), "frame " + std::to_string(frame) + " at " + std::to_string(size.width) + " x " +
                                            std::to_string(size.height));
    }
}

// Nothing pops as the detail changes: 48 frames in a row, through the turn
// from the centre to the path's target, at a preview's size and full screen.
TEST_F(SceneDetail, FrameAfterFrame) {
    AdvanceTo(1980);
    for (int k = 0; k < 48; ++k) {
        AdvanceTo(frame_ + 1);
        for (Size size : {kSizes[1], kSizes[4]})
            ExpectClose(DrawBoth(size), "frame " + std::to_string(frame_) + " at " + std::to_string(size.width));
    }
}

}  // namespace
