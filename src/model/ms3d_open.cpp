// Ms3dModel::Load: the model file on disk, kept apart from the loader so that
// the loader alone builds without the platform (the fuzz target).
#include <cstdio>

#include "model/ms3d_model.h"
#include "platform/platform.h"

bool Ms3dModel::Load(const char* path) {
    // The model is read on the way into a full-screen run, with the keyboard
    // grabbed: a FIFO or a device there must not hold it, so only a regular
    // file opens.
    std::FILE* file = platform::OpenRegularFile(path, "rb");
    if (file == nullptr) return false;
    // read through a small window rather than whole: the model's tables are
    // the only large allocation
    const bool ok = LoadFromFile(file);
    std::fclose(file);
    return ok;
}
