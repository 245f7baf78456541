#include "support/monitors.h"

#include <cmath>
#include <cstdio>

#include "support/process.h"
#include "support/temp_dir.h"

RgbImage RootScreenshot(const std::string& display) {
    TempDir dir;
    Shell("DISPLAY=" + display + " import -window root png:" + dir.Path() + "/root.png 2>/dev/null");
    return ReadPng(dir.Path() + "/root.png");
}

double AreaDifference(const RgbImage& shot, Area a, Area b) {
    if (std::max(a.x + a.width, b.x + b.width) > shot.width || std::max(a.y + a.height, b.y + b.height) > shot.height)
        return 1.0;
    double sum = 0.0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const double d = shot.At(a.x + x, a.y + y)[c] -
                                 shot.At(b.x + x * b.width / a.width, b.y + y * b.height / a.height)[c];
                sum += d * d / (255.0 * 255.0);
            }
    return std::sqrt(sum / (3.0 * a.width * a.height));
}

::testing::AssertionResult CoversBothXephyrMonitors(const std::string& display, int timeoutMs) {
    int width = 0, height = 0;
    WaitUntil([&] {
        const std::string out = Shell("DISPLAY=" + display + " xdotool search --name '^orvane$' getwindowgeometry");
        return std::sscanf(out.c_str() + std::min(out.size(), out.find("Geometry: ") + 10), "%dx%d", &width,
                           &height) == 2;
    }, timeoutMs);
    if (width != 1440 || height != 600) return ::testing::AssertionFailure() << "window of " << width << "x" << height;
    // One picture stretched over both differs by about 0.15.
    double difference = 1.0;
    if (WaitUntil([&] {
            const RgbImage shot = RootScreenshot(display);
            difference = AreaDifference(shot, {0, 0, 640, 480}, {640, 0, 800, 600});
            return Colours(shot, 0, 0, 640, 480) > 200 && difference < 0.07;
        }, timeoutMs))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "monitors differ by " << difference;
}
