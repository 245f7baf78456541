#include "scene/camera_path.h"

#include <cstdio>

#include "platform/platform.h"
#include "settings/data_names.h"
#include "settings/data_paths.h"

namespace {
constexpr float kInitialEye[3] = {-1.2607f, 60.0682f, 129.0309f};
constexpr float kInitialTarget[3] = {-1.2621f, 60.0652f, 128.8863f};
}  // namespace

float eyePoint[3] = {kInitialEye[0], kInitialEye[1], kInitialEye[2]};
float pathTarget[3] = {kInitialTarget[0], kInitialTarget[1], kInitialTarget[2]};
int frameCounter = 0;

namespace {

enum class PathState { NotOpened, Open, Unavailable };

PathState pathState = PathState::NotOpened;
std::FILE* pathStream = nullptr;
// Kept between reads: a read that meets the end of the file leaves it as it
// was, so the previous line is parsed again.
char lineBuffer[80];

void ReadPoint(float* point) {
    // At the end of the file nothing is read and the buffer still holds the
    // line before, which is parsed once more.
    char* read = std::fgets(lineBuffer, sizeof lineBuffer, pathStream);
    static_cast<void>(read);
    std::sscanf(lineBuffer, "%f,%f,%f", &point[0], &point[1], &point[2]);
}

void OpenPath() {
    char path[kDataPathSize];
    // Opened on the first frame, with the keyboard grabbed: a FIFO must not
    // hold the run.
    if (FormDataPath(dataName::kCameraPath, path)) pathStream = platform::OpenRegularFile(path, "r");
    if (pathStream == nullptr) {
        std::printf("***Can't open the camera path %sdata%cp, the camera stays still!\n", programFolder.c_str(),
                    platform::PathSeparator());
        pathState = PathState::Unavailable;
        return;
    }
    pathState = PathState::Open;
}

}  // namespace

void StepCameraPath() {
    if (pathState == PathState::NotOpened) {
        OpenPath();
        return;
    }
    if (pathState == PathState::Unavailable) return;
    if (std::feof(pathStream)) std::fseek(pathStream, 0, SEEK_SET);
    ReadPoint(eyePoint);
    frameCounter = frameCounter >= kFrameCounterLast ? 0 : frameCounter + 1;
    ReadPoint(pathTarget);
}

void ResetCameraPath() {
    if (pathStream != nullptr) std::fclose(pathStream);
    pathStream = nullptr;
    pathState = PathState::NotOpened;
    lineBuffer[0] = '\0';
    for (int k = 0; k < 3; ++k) {
        eyePoint[k] = kInitialEye[k];
        pathTarget[k] = kInitialTarget[k];
    }
    frameCounter = 0;
}
