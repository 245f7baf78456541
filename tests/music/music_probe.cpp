// The music in a process of its own: a fresh OpenAL Soft with its own set-up.
//   music_probe [PROGRAM_FOLDER/]         the thread's whole work on the main thread
//   music_probe PROGRAM_FOLDER/ STOP_MS   the thread, then after STOP_MS the end of a run
//   ... STOP_MS MUSIC [VOLUME]            the same with a chosen file or folder ("" the
//                                         built-in track) and volume; STOP_MS -1: on the
//                                         main thread to the end
#include <AL/alc.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "music/music_player.h"
#include "music/music_thread.h"
#include "platform/platform.h"
#include "settings/data_paths.h"

namespace {

// Like the screensaver, the probe does not link OpenAL: once the music is
// released, its library is either unloaded or holds no current context.
bool OpenALInUse() {
    void* library = dlopen("libopenal.so.1", RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return false;
    auto current = reinterpret_cast<LPALCGETCURRENTCONTEXT>(dlsym(library, "alcGetCurrentContext"));
    bool inUse = current != nullptr && current() != nullptr;
    dlclose(library);
    return inUse;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) programFolder = argv[1];
    MusicChoice choice;
    if (argc > 3) choice.path = argv[3];
    if (argc > 4) choice.volume = std::atoi(argv[4]);
    if (argc < 3 || std::atoi(argv[2]) < 0) {
        int lowestFree = dup(0);  // where the music file opens
        close(lowestFree);
        PlayMusicStream(choice);
        ShowClosingPrompt();
        if (dup(0) != lowestFree) std::printf("a file was left open\n");
        return 0;
    }
    StartMusicThread(choice);
    platform::SleepMilliseconds(std::atoi(argv[2]));
    musicStopRequested = true;
    bool released = WaitForMusicThreadEnd(200);  // and then OpenAL holds no context for it
    std::printf(!released ? "music still held\n" : OpenALInUse() ? "OpenAL in use\n" : "music released\n");
    if (!released) platform::EndProcessNow(0);  // as the screensaver ends then
    return 0;
}
