// monitors_bench [--frames F]: the frame of a full-screen run on one 1280 x
// 720 monitor and on two side by side, on the off-screen context (Mesa
// llvmpipe here) of 2560 x 720 with one view a monitor: drawn as the run
// draws it (the scene on the first monitor, its picture copied to the second),
// and, for comparison, with the scene drawn on each monitor. The three kinds
// of frame take turns, so a change in the machine's load hits them alike. Prints the median and the 90th percentile of
// the whole frame (finished with glFinish). bench/monitors-frame-time runs it.
#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/model_viewer.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "shell/screen_window.h"
#include "shell/snapshot.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kMonitorWidth = 1280;
constexpr int kMonitorHeight = 720;

double Nth(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * static_cast<double>(values.size())))];
}

// The alternative to copying: the scene drawn again on every monitor.
void DrawOnEachMonitor() {
    ClearSceneBuffers();
    AdvanceSceneFrame();
    for (int k = 0; k < screenWindow.views.count; ++k) {
        const platform::MonitorRect& view = screenWindow.views.viewports[k];
        SetViewport(view.x, view.y, view.width, view.height);
        DrawSceneView();
    }
}

}  // namespace

int main(int argc, char** argv) {
    int frames = 200;
    for (int k = 1; k + 1 < argc; ++k)
        if (std::strcmp(argv[k], "--frames") == 0) std::sscanf(argv[k + 1], "%d", &frames);
    const int width = 2 * kMonitorWidth;
    std::string error;
    if (!platform::CreateOffscreenContext(width, kMonitorHeight, &error)) {
        std::fprintf(stderr, "monitors_bench: %s\n", error.c_str());
        return 1;
    }
    GlutViewerCallback callback;
    StartOffscreenScene(width, kMonitorHeight, &callback);

    platform::MonitorList one;
    one.monitors[one.count++] = {0, 0, kMonitorWidth, kMonitorHeight};
    platform::MonitorList two = one;
    two.monitors[two.count++] = {kMonitorWidth, 0, kMonitorWidth, kMonitorHeight};
    ScreenViews oneView;
    ScreenViews twoViews;
    LayOutViews(one, width, kMonitorHeight, &oneView);
    LayOutViews(two, width, kMonitorHeight, &twoViews);
    const struct {
        const char* name;
        void (*draw)();
    } kinds[] = {
        {"one monitor", DrawFrameOnEveryMonitor},
        {"two monitors, drawn on each", DrawOnEachMonitor},
        {"two monitors, drawn once and copied", DrawFrameOnEveryMonitor},
    };
    const ScreenViews* views[] = {&oneView, &twoViews, &twoViews};
    std::vector<double> times[3];
    for (int f = -10; f < frames; ++f) {  // the first ten make the textures and warm the caches
        for (int k = 0; k < 3; ++k) {
            screenWindow.views = *views[k];
            SetFirstView();  // as a resize to these views does
            const Clock::time_point start = Clock::now();
            // One monitor clears its own area only, as a window of its size would.
            if (k == 0) glEnable(GL_SCISSOR_TEST), glScissor(0, 0, kMonitorWidth, kMonitorHeight);
            kinds[k].draw();
            glFinish();
            glDisable(GL_SCISSOR_TEST);
            if (f >= 0) times[k].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
    }
    std::printf("%s, monitors of %dx%d, %d frames of each kind, ms a frame:\n",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)), kMonitorWidth, kMonitorHeight, frames);
    for (int k = 0; k < 3; ++k)
        std::printf("  %-38s median %6.1f, 90th percentile %6.1f\n", kinds[k].name, Nth(times[k], 0.5),
                    Nth(times[k], 0.9));
    DeleteFontLists();
    platform::DestroyOffscreenContext();
    return 0;
}
