#include "music/audio_device.h"

#include <AL/alc.h>

#include "music/audio_device_list.h"

bool InitAudioDevice() {
    AudioDeviceList list;
    if (list.GetDeviceCount() == 0) return false;
    // The list's own calls go through its table; the device that stays open is
    // opened through the ordinary link, by the name the list chose.
    ALCdevice* device = alcOpenDevice(list.GetDeviceName(list.GetDefaultDeviceIndex()));
    if (device == nullptr) return false;
    ALCcontext* context = alcCreateContext(device, nullptr);
    if (context == nullptr) {
        alcCloseDevice(device);
        return false;
    }
    alcMakeContextCurrent(context);
    return true;
}

bool ShutdownAudioDevice() {
    ALCcontext* context = alcGetCurrentContext();
    ALCdevice* device = context != nullptr ? alcGetContextsDevice(context) : nullptr;
    alcMakeContextCurrent(nullptr);
    if (context != nullptr) alcDestroyContext(context);
    if (device != nullptr) alcCloseDevice(device);
    return true;
}
