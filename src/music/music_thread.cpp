#include "music/music_thread.h"

#include <cstdio>
#include <system_error>
#include <thread>

#include "music/music_player.h"
#include "platform/platform.h"

std::atomic<bool> musicStopRequested{false};

namespace {

enum MusicThreadState : int { kNotStarted, kPlaying, kReleased };

// Lets the main thread wait, a bounded time, for OpenAL and the decoder to be
// released before the process exit tears the libraries down.
std::atomic<int> musicThreadState{kNotStarted};

// Written before the thread starts, read only by it.
MusicChoice threadChoice;

}  // namespace

unsigned long MusicThreadProc(void*) {
    platform::NameCurrentThread("velmora-music");
    PlayMusicStream(threadChoice);
    musicThreadState.store(kReleased);
    ShowClosingPrompt();
    return 0;
}

void StartMusicThread(const MusicChoice& choice) {
    int expected = kNotStarted;
    if (!musicThreadState.compare_exchange_strong(expected, kPlaying)) return;
    threadChoice = choice;
    try {
        std::thread(MusicThreadProc, nullptr).detach();
    } catch (const std::system_error& error) {
        musicThreadState.store(kNotStarted);
        std::printf("CreateThread failed (%d)\n", error.code().value());
        std::fflush(stdout);
    }
}

bool WaitForMusicThreadEnd(int timeoutMs) {
    std::uint32_t start = platform::MonotonicMilliseconds();
    while (musicThreadState.load() == kPlaying) {
        if (static_cast<int>(platform::MonotonicMilliseconds() - start) >= timeoutMs) return false;
        platform::SleepMilliseconds(1);
    }
    return true;
}

void ShowClosingPrompt() {
    PrintMusicMessage("\nPress a key to quit\n");
    // No key reaches the console while the full-screen window holds the keyboard.
    if (platform::StdinIsTerminal() && !platform::ScreenWindowHoldsInput()) platform::ReadConsoleKey();
}
