#include "support/monitors.h"

#include <cmath>
#include <cstdio>

#include "support/process.h"
#include "support/temp_dir.h"

namespace {
bool WindowSizeOn(const std::string& display, const std::string& name, int* width, int* height) {
    const std::string out =
        Shell("DISPLAY=" + display + " xdotool search --name '^" + name + "$' getwindowgeometry 2>/dev/null");
    const std::size_t at = out.find("Geometry: ");
    return at != std::string::npos && std::sscanf(out.c_str() + at + 10, "%dx%d", width, height) == 2;
}
}  // namespace

RgbImage RootScreenshot(const std::string& display) {
    TempDir dir;
    Shell("DISPLAY=" + display + " import -window root png:" + dir.Path() + "/root.png 2>/dev/null");
    return ReadPng(dir.Path() + "/root.png");
}

double AreaDifference(const RgbImage& shot, Area a, Area b) {
    if (shot.Empty() || a.x + a.width > shot.width || b.x + b.width > shot.width || a.y + a.height > shot.height ||
        b.y + b.height > shot.height)
        return 1.0;
    double sum = 0.0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const std::uint8_t* pa = shot.At(a.x + x, a.y + y);
            const std::uint8_t* pb = shot.At(b.x + x * b.width / a.width, b.y + y * b.height / a.height);
            for (int c = 0; c < 3; ++c) sum += (pa[c] - pb[c]) * (pa[c] - pb[c]) / (255.0 * 255.0);
        }
    return std::sqrt(sum / (3.0 * a.width * a.height));
}

::testing::AssertionResult CoversBothXephyrMonitors(const std::string& display, int timeoutMs) {
    int width = 0, height = 0;
    if (!WaitUntil([&] { return WindowSizeOn(display, "orvane", &width, &height); }, timeoutMs))
        return ::testing::AssertionFailure() << "no window";
    if (width != 1440 || height != 600) return ::testing::AssertionFailure() << "window of " << width << "x" << height;
    // One picture stretched over both differs by about 0.15.
    RgbImage shot;
    if (WaitUntil([&] {
            shot = RootScreenshot(display);
            return Colours(shot, 0, 0, 640, 480) > 200 && AreaDifference(shot, {0, 0, 640, 480}, {640, 0, 800, 600}) < 0.07;
        }, timeoutMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "monitors differ by " << AreaDifference(shot, {0, 0, 640, 480}, {640, 0, 800, 600});
}
