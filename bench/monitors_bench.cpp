// monitors_bench [--monitors N] [--copy] [--frames F]: the frame of a
// full-screen run on N monitors of 1280 x 720 side by side (default 1), on
// the off-screen context (Mesa llvmpipe here) of N * 1280 x 720 with one view
// a monitor, as the run draws it. With --copy, the scene is drawn on the
// first monitor only and its picture copied to the others (glCopyPixels),
// the alternative for monitors of one size. Prints the median and the 90th
// percentile of the whole frame (finished with glFinish), and the CPU time of
// all threads a frame. bench/monitors-frame-time runs the three cases.
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "model/model_viewer.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "settings/data_paths.h"
#include "shell/screen_window.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kMonitorWidth = 1280;
constexpr int kMonitorHeight = 720;

double Nth(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * static_cast<double>(values.size())))];
}

double ProcessCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// The first monitor's picture onto the others, pixel for pixel.
void DrawOnceAndCopy(int monitors) {
    ClearSceneBuffers();
    AdvanceSceneFrame();
    SetViewport(0, 0, kMonitorWidth, kMonitorHeight);
    DrawSceneView();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    for (GLenum cap : {GL_TEXTURE_2D, GL_BLEND, GL_ALPHA_TEST, GL_DEPTH_TEST, GL_LIGHTING, GL_FOG})
        glDisable(cap);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (int k = 1; k < monitors; ++k) {
        // A raster position in the monitor's corner, through a viewport of
        // the monitor itself.
        glViewport(k * kMonitorWidth, 0, kMonitorWidth, kMonitorHeight);
        glRasterPos2f(-1.0f, -1.0f);
        glCopyPixels(0, 0, kMonitorWidth, kMonitorHeight, GL_COLOR);
    }
    glPopAttrib();
}

}  // namespace

int main(int argc, char** argv) {
    int monitors = 1;
    int frames = 200;
    bool copy = false;
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--copy") == 0) copy = true;
        if (k + 1 < argc && std::strcmp(argv[k], "--monitors") == 0) std::sscanf(argv[k + 1], "%d", &monitors);
        if (k + 1 < argc && std::strcmp(argv[k], "--frames") == 0) std::sscanf(argv[k + 1], "%d", &frames);
    }
    monitors = std::max(1, std::min(monitors, platform::kMaxMonitors));
    const int width = monitors * kMonitorWidth;
    std::string error;
    if (!platform::CreateOffscreenContext(width, kMonitorHeight, &error)) {
        std::fprintf(stderr, "monitors_bench: %s\n", error.c_str());
        return 1;
    }
    platform::MonitorList list;
    for (int k = 0; k < monitors; ++k) list.monitors[list.count++] = {k * kMonitorWidth, 0, kMonitorWidth, kMonitorHeight};
    LayOutViews(list, width, kMonitorHeight, &screenWindow.views);
    ResizeViewport(width, kMonitorHeight);
    GlutViewerCallback callback;
    modelViewer.Init(&callback);
    ResolveProgramFolder();
    InitSceneGL();
    char modelPath[kDataPathSize];
    FormDataPath("6", modelPath);
    modelViewer.LoadModel(modelPath);

    auto frame = [&] {
        if (copy)
            DrawOnceAndCopy(monitors);
        else
            DrawFrameOnEveryMonitor();
        glFinish();
    };
    for (int f = 0; f < 10; ++f) frame();  // textures made, caches warm
    std::vector<double> times;
    const double cpuStart = ProcessCpuMs();
    for (int f = 0; f < frames; ++f) {
        const Clock::time_point start = Clock::now();
        frame();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    const double cpuMs = (ProcessCpuMs() - cpuStart) / frames;
    std::printf("%d x %dx%d, %s: median %.1f ms, 90th percentile %.1f ms, CPU %.1f ms a frame (%s, %d frames)\n",
                monitors, kMonitorWidth, kMonitorHeight, copy ? "drawn once, copied" : "drawn per monitor",
                Nth(times, 0.5), Nth(times, 0.9), cpuMs, reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                frames);
    DeleteFontLists();
    platform::DestroyOffscreenContext();
    return 0;
}
