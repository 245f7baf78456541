// supersampled_bench: how far a frame lies from what each of its pixels'
// areas shows, and what that costs. The area's picture is the frame at full
// detail drawn 8 x (160 x 120, 320 x 240), 4 x (800 x 600) or 2 x
// (1920 x 1080) larger and averaged over each pixel's block. Against it, RMS
// of all channels: the frame at full detail (what the picture test holds the
// program to), as drawn, and as drawn with the additive pieces' textures
// prefiltered (GL_LINEAR_MIPMAP_NEAREST, a way the program does not draw:
// measured for choosing the picture rule). Then the CPU of all threads a
// frame as drawn and prefiltered, frame by frame in turn along the path.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "scene/scene.h"
#include "scene/scene_frame.h"
#include "scene/scene_textures.h"
#include "scene/views.h"
#include "shell/scene_start.h"

namespace {

struct Size {
    int width, height, factor;
};
constexpr Size kSizes[] = {{160, 120, 8}, {320, 240, 8}, {800, 600, 4}, {1920, 1080, 2}};
constexpr int kFrames[] = {40, 700, 1500, 2401, 3000};
// The ground, the water and the cube's panels.
constexpr GLuint kAdditiveSlots[] = {7, 8, 10, 16, 17, 18, 19};

// The additive pieces' textures and their grey copies.
std::vector<GLuint> AdditiveTextureNames() {
    std::vector<GLuint> names;
    for (GLuint slot : kAdditiveSlots) {
        names.push_back(slot);
        names.push_back(GreyCopyName(slot));
    }
    return names;
}

void Prefilter(const std::vector<GLuint>& names, bool on) {
    for (GLuint name : names) {
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, on ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

// The current frame drawn `factor` times larger, each channel averaged over
// each pixel's factor x factor block.
std::vector<double> DrawFrame(Size size, bool fullDetail, int factor) {
    const int width = size.width * factor, height = size.height * factor;
    SetViewport(0, 0, width, height);
    sceneFullDetail = fullDetail;
    ClearSceneBuffers(true);
    DrawSceneView();
    sceneFullDetail = false;
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    ReadFramePixels(width, height, rgba.data());
    std::vector<double> picture(static_cast<size_t>(size.width) * size.height * 3, 0.0);
    const double share = 1.0 / (factor * factor);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                picture[(static_cast<size_t>(y / factor) * size.width + x / factor) * 3 + c] +=
                    rgba[(static_cast<size_t>(y) * width + x) * 4 + c] * share;
    return picture;
}

double Rms(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0.0;
    for (size_t k = 0; k < a.size(); ++k) sum += (a[k] - b[k]) * (a[k] - b[k]);
    return std::sqrt(sum / static_cast<double>(a.size())) / 255.0;
}

double ProcessCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

}  // namespace

int main() {
    std::string error;
    if (!platform::CreateOffscreenContext(3840, 2400, &error)) {
        std::fprintf(stderr, "supersampled_bench: %s\n", error.c_str());
        return 1;
    }
    GlutViewerCallback callback;
    std::FILE* const out = stdout;
    stdout = std::fopen("/dev/null", "w");  // the texture loader's lines
    StartScene(&callback);
    std::fclose(stdout);
    stdout = out;
    ResetScene();
    DrawSceneFrame();
    const std::vector<GLuint> names = AdditiveTextureNames();
    for (GLuint name : names) {
        glBindTexture(GL_TEXTURE_2D, name);
        glGenerateMipmap(GL_TEXTURE_2D);
    }
    glBindTexture(GL_TEXTURE_2D, 0);

    std::printf("RMS against each pixel's area: full detail, as drawn, prefiltered\n");
    double sums[3] = {};
    int frame = 1, count = 0;
    for (int target : kFrames) {
        for (; frame < target; ++frame) AdvanceSceneFrame();
        for (Size size : kSizes) {
            const std::vector<double> area = DrawFrame(size, true, size.factor);
            const double full = Rms(DrawFrame(size, true, 1), area);
            const double drawn = Rms(DrawFrame(size, false, 1), area);
            Prefilter(names, true);
            const double prefiltered = Rms(DrawFrame(size, false, 1), area);
            Prefilter(names, false);
            std::printf("  frame %4d at %4d x %-4d  %.4f  %.4f  %.4f\n", target, size.width, size.height, full, drawn,
                        prefiltered);
            sums[0] += full;
            sums[1] += drawn;
            sums[2] += prefiltered;
            ++count;
        }
    }
    std::printf("  mean                       %.4f  %.4f  %.4f\n", sums[0] / count, sums[1] / count, sums[2] / count);

    std::printf("CPU of all threads a frame, ms, 60 frames along the path: as drawn, prefiltered\n");
    for (int k = 1; k < 4; ++k) {
        const Size size = kSizes[k];
        double cpu[2] = {};
        for (int f = 0; f < 60; ++f) {
            for (int turn = 0; turn < 2; ++turn) {
                const bool prefiltered = (f + turn) % 2 == 1;
                Prefilter(names, prefiltered);
                SetViewport(0, 0, size.width, size.height);
                const double start = ProcessCpuMs();
                ClearSceneBuffers(true);
                DrawSceneView();
                glFinish();
                cpu[prefiltered] += ProcessCpuMs() - start;
            }
            Prefilter(names, false);
            for (int step = 0; step < 31; ++step) AdvanceSceneFrame();
        }
        std::printf("  %4d x %-4d  %7.3f  %7.3f (%+.0f %%)\n", size.width, size.height, cpu[0] / 60, cpu[1] / 60,
                    100.0 * (cpu[1] / cpu[0] - 1.0));
    }
    DeleteFontLists();
    platform::DestroyOffscreenContext();
    return 0;
}
