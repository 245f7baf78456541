#include "music/audio_device.h"

#include "music/audio_device_list.h"

namespace {

// The device the list chose, with a current context; false when it does not
// open or takes no context.
bool OpenChosenDevice(const OpenALFunctionTable& openAL) {
    AudioDeviceList list(openAL);
    if (list.GetDeviceCount() == 0) return false;
    ALCdevice* device = openAL.alcOpenDevice(list.GetDeviceName(list.GetDefaultDeviceIndex()));
    if (device == nullptr) return false;
    ALCcontext* context = openAL.alcCreateContext(device, nullptr);
    if (context == nullptr) {
        openAL.alcCloseDevice(device);
        return false;
    }
    openAL.alcMakeContextCurrent(context);
    return true;
}

}  // namespace

bool InitAudioDevice(OpenALFunctionTable* openAL) {
    // The table stays loaded until ShutdownAudioDevice: the player streams
    // through the same entry points.
    if (LoadOpenALFunctionTable(nullptr, openAL) && OpenChosenDevice(*openAL)) return true;
    UnloadOpenALLibrary();
    return false;
}

bool ShutdownAudioDevice(const OpenALFunctionTable& openAL) {
    ALCcontext* context = openAL.alcGetCurrentContext();
    ALCdevice* device = context != nullptr ? openAL.alcGetContextsDevice(context) : nullptr;
    openAL.alcMakeContextCurrent(nullptr);
    if (context != nullptr) openAL.alcDestroyContext(context);
    if (device != nullptr) openAL.alcCloseDevice(device);
    UnloadOpenALLibrary();
    return true;
}
