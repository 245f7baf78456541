// Runs the music code in a process of its own, the way the screensaver does,
// so that each test gets a fresh OpenAL Soft with its own configuration.
//
//   music_probe play [--stop-after MS] [--program-folder DIR/]
//       the music thread; with --stop-after, the end of a run after MS:
//       the flag, the bounded wait, then the process exit.
//   music_probe thread-proc [--program-folder DIR/]
//       the thread's whole work on the main thread (all messages, in order).
//   music_probe list       the device list, one line per record
//   music_probe init       InitAudioDevice, the current device, shutdown
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <AL/alc.h>

#include "music/audio_device.h"
#include "music/audio_device_list.h"
#include "music/music_thread.h"
#include "platform/platform.h"
#include "settings/data_paths.h"

namespace {

int ListDevices() {
    AudioDeviceList list;
    std::printf("count %d default %d\n", list.GetDeviceCount(), list.GetDefaultDeviceIndex());
    for (const AudioDeviceRecord& record : list.Records()) {
        std::printf("device '%s' %d.%d sources %u selected %d extensions", record.name.c_str(), record.majorVersion,
                    record.minorVersion, record.sourceCount, record.selected ? 1 : 0);
        for (const std::string& extension : record.extensions) std::printf(" %s", extension.c_str());
        std::printf("\n");
    }
    return 0;
}

int InitDevice() {
    bool ok = InitAudioDevice();
    ALCcontext* context = alcGetCurrentContext();
    const char* name = context != nullptr ? alcGetString(alcGetContextsDevice(context), ALC_DEVICE_SPECIFIER) : "";
    std::printf("init %d device '%s'\n", ok ? 1 : 0, name != nullptr ? name : "");
    if (ok) ShutdownAudioDevice();
    std::printf("after shutdown context %d\n", alcGetCurrentContext() != nullptr ? 1 : 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string mode = argv[1];
    int stopAfter = -1;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--stop-after") == 0) stopAfter = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--program-folder") == 0) programFolder = argv[i + 1];
    }
    if (mode == "list") return ListDevices();
    if (mode == "init") return InitDevice();
    if (mode == "thread-proc") return static_cast<int>(MusicThreadProc(nullptr));
    if (mode != "play") return 2;

    StartMusicThread();
    if (stopAfter < 0) {
        // Played to its end: the thread releases everything by itself.
        while (!WaitForMusicThreadEnd(1000)) {
        }
        std::printf("music released\n");
        return 0;
    }
    platform::SleepMilliseconds(stopAfter);
    musicStopRequested = true;
    if (WaitForMusicThreadEnd(200)) {
        std::printf("music released\n");
        return 0;
    }
    // What the screensaver does when the thread is still inside OpenAL.
    std::printf("music still held\n");
    std::fflush(nullptr);
    std::_Exit(0);
}
