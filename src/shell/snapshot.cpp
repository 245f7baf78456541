#include "shell/snapshot.h"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "model/model_viewer.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "scene/views.h"
#include "settings/data_paths.h"
#include "shell/scene_start.h"
#include "shell/screen_window.h"

namespace {

constexpr int kMaxSide = 8192;
constexpr int kMaxFrames = 1000000;

// A whole decimal number in 1..limit, nothing after it.
bool ParseCount(const char* text, const char* end, int limit, int* value) {
    if (text == end) return false;
    long long number = 0;
    for (const char* c = text; c != end; ++c) {
        if (*c < '0' || *c > '9') return false;
        number = number * 10 + (*c - '0');
        if (number > limit) return false;
    }
    if (number < 1) return false;
    *value = static_cast<int>(number);
    return true;
}

bool ParseSize(const char* text, int* width, int* height) {
    const char* x = std::strchr(text, 'x');
    if (x == nullptr) return false;
    return ParseCount(text, x, kMaxSide, width) && ParseCount(x + 1, x + std::strlen(x), kMaxSide, height);
}

// The window's bottom-up RGBA rows as top-down RGB rows.
bool WritePng(const char* file, int width, int height, const std::vector<std::uint8_t>& rgba) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = rgba.data() + static_cast<std::size_t>(height - 1 - y) * width * 4;
        std::uint8_t* to = rgb.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            to[3 * x] = from[4 * x];
            to[3 * x + 1] = from[4 * x + 1];
            to[3 * x + 2] = from[4 * x + 2];
        }
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    const bool written = png_image_write_to_file(&image, file, 0, rgb.data(), width * 3, nullptr) != 0;
    png_image_free(&image);
    return written;
}

}  // namespace

bool ParseSnapshotArguments(int argc, char** args, SnapshotRequest* request, const char** error) {
    if (argc < 1 || args[0][0] == '\0' || args[0][0] == '-') {
        *error = "the snapshot needs a file name";
        return false;
    }
    request->file = args[0];
    for (int k = 1; k < argc; k += 2) {
        const std::string option = args[k];
        if (k + 1 >= argc) {
            *error = "an option without its value";
            return false;
        }
        if (option == "--size") {
            if (!ParseSize(args[k + 1], &request->width, &request->height)) {
                *error = "the size is WxH, each side 1 to 8192";
                return false;
            }
        } else if (option == "--frames") {
            if (!ParseCount(args[k + 1], args[k + 1] + std::strlen(args[k + 1]), kMaxFrames, &request->frames)) {
                *error = "the frame count is 1 to 1000000";
                return false;
            }
        } else {
            *error = "unknown snapshot option";
            return false;
        }
    }
    return true;
}

void StartOffscreenScene(int width, int height, GlutViewerCallback* callback) {
    ResizeViewport(width, height);
    StartScene(callback);
}

int RunSnapshot(int argc, char** args) {
    SnapshotRequest request;
    const char* error = nullptr;
    if (!ParseSnapshotArguments(argc, args, &request, &error)) {
        std::fprintf(stderr, "velmora: %s\nusage: velmora --snapshot FILE.png [--size WxH] [--frames N]\n", error);
        return 2;
    }
    std::string contextError;
    if (!platform::CreateOffscreenContext(request.width, request.height, &contextError)) {
        std::fprintf(stderr, "velmora: %s\n", contextError.c_str());
        return 1;
    }
    GlutViewerCallback callback;
    StartOffscreenScene(request.width, request.height, &callback);
    for (int frame = 0; frame < request.frames; ++frame) DrawSceneFrame();
    FinishFrame();

    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(request.width) * request.height * 4);
    const bool read = ReadFramePixels(request.width, request.height, rgba.data());
    DeleteFontLists();
    platform::DestroyOffscreenContext();
    if (!read) {
        std::fprintf(stderr, "velmora: can't read the off-screen pixels\n");
        return 1;
    }
    if (!WritePng(request.file, request.width, request.height, rgba)) {
        std::fprintf(stderr, "velmora: can't write %s\n", request.file);
        return 1;
    }
    return 0;
}
