#include "shell/run.h"

#include <cstdio>

#include "model/model_viewer.h"
#include "music/music_thread.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "scene/views.h"
#include "settings/data_paths.h"
#include "settings/music_setting.h"
#include "shell/config_dialog.h"
#include "shell/frame_clock.h"
#include "shell/scene_start.h"
#include "shell/screen_window.h"

const char kInstanceLockName[] = "quern-6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60";
const char kMusicLockName[] = "quern-6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60-music";
// Held by the one full-screen run where only a full-screen run keeps another
// from starting (platform::AnyRunBlocksFullScreen false).
const char kFullScreenLockName[] = "quern-6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60-fullscreen";

namespace {
// XScreenSaver runs one process per monitor, and the same music twice out of
// step is worse than once: only the holder of the music lock plays it. The
// others ask again once a second, so when the one playing ends the music
// starts anew in another, as a run of its own would.
struct MusicTurn {
    static constexpr std::uint32_t kRetryMs = 1000;
    bool wanted = false;
    bool asked = false;
    std::uint32_t lastAsked = 0;
    MusicChoice choice;

    void Ask(std::uint32_t now) {
        if (!wanted || (asked && now - lastAsked < kRetryMs)) return;
        asked = true;
        lastAsked = now;
        if (!platform::TryHoldLock(kMusicLockName)) return;
        wanted = false;
        StartMusicThread(choice);
    }
};
MusicTurn musicTurn;

// The music owner ends its thread at the end of the run: a full-screen run,
// or XScreenSaver's own full-screen (-root).
bool PlaysMusic(RunMode mode) { return mode == RunMode::FullScreen || mode == RunMode::XScreenSaverRoot; }

bool IsXScreenSaverRun(RunMode mode) {
    return mode == RunMode::XScreenSaverRoot || mode == RunMode::XScreenSaverWindow;
}

platform::WindowRequest RequestFor(const CommandLine& line) {
    platform::WindowRequest request;
    switch (line.mode) {
        case RunMode::FullScreen:
            request.kind = platform::WindowKind::FullScreen;
            request.hideCursor = true;
            break;
        case RunMode::Preview:
            request.kind = platform::WindowKind::Preview;
            request.parent = line.window;
            break;
        default:
            request.kind = platform::WindowKind::Existing;
            request.parent = line.window;  // 0: the root window
            break;
    }
    return request;
}

void StartUp(const CommandLine& line, GlutViewerCallback* callback) {
    const RunMode mode = line.mode;
    platform::NotifyScreensaverRunning(true);
    StartScene(callback);
    if (PlaysMusic(mode)) {
        // --music and --no-music decide this run only: nothing is stored.
        if (line.music >= 0)
            musicSetting = line.music == 1 ? '1' : '0';
        else
            ReadMusicSetting(&musicSetting);
        musicTurn.wanted = musicSetting == '1';
        // So are --music-file and --volume: each replaces its stored value.
        if (musicTurn.wanted) musicTurn.choice = ReadMusicChoice();
        if (line.musicFileGiven) musicTurn.choice.path = line.musicFile;
        if (line.volume >= 0) musicTurn.choice.volume = line.volume;
        musicTurn.Ask(platform::MonotonicMilliseconds());
    }
}

// Frames per second over the last whole second and the last frame's time,
// for the --fps corner; a fixed buffer, so nothing is allocated per frame.
struct FrameRate {
    std::uint32_t secondStart = 0;
    int framesThisSecond = 0;
    char text[48] = "";
    void Frame(std::uint32_t start, std::uint32_t end) {
        ++framesThisSecond;
        const std::uint32_t elapsed = end - secondStart;
        if (elapsed >= 1000 || text[0] == '\0') {
            std::snprintf(text, sizeof text, "%.1f fps  %u ms",
                          elapsed == 0 ? 0.0 : framesThisSecond * 1000.0 / elapsed, static_cast<unsigned>(end - start));
            secondStart = end;
            framesThisSecond = 0;
        }
    }
};

int MainLoop(bool showFps) {
    FrameRate rate;
    rate.secondStart = platform::MonotonicMilliseconds();
    FramePacer pacer;
    pacer.Start(platform::MonotonicMilliseconds());
    screenWindow.mouse.Arm();
    bool paused = false;
    for (;;) {
        platform::Event event;
        if (platform::PollEvent(&event)) {
            ScreenWindowProc(event);
            if (screenWindow.quitPosted) return screenWindow.quitCode;
            continue;
        }
        if (platform::TerminationRequested()) return 0;
        if (!screenWindow.visible) {
            // Nobody can see a frame: draw none, and let nothing of the
            // scene (camera path, wave, cube) advance until one can be seen.
            // Input and the end of the run are still handled as they come.
            paused = true;
            platform::WaitForEvents(platform::kVisibilityPollMilliseconds);
            continue;
        }
        std::uint32_t now = platform::MonotonicMilliseconds();
        if (paused) {
            paused = false;
            pacer.Resume(now);
            rate.secondStart = now;  // the pause is no frame time
            rate.framesThisSecond = 0;
        }
        if (pacer.TakeFrame(now)) {
            musicTurn.Ask(now);
            DrawFrameOnEveryMonitor();
            if (showFps) {
                FinishFrame();  // the frame's time includes the rendering
                rate.Frame(now, platform::MonotonicMilliseconds());
                DrawCornerText(rate.text);
            }
            platform::SwapScreenBuffers();
            FlushFrame();
        } else {
            platform::WaitForEvents(pacer.MillisecondsUntilDue(now));
        }
    }
}
}  // namespace

int RunVelmora(const CommandLine& line) {
    bool anotherInstance = false;
    if (!IsXScreenSaverRun(line.mode)) platform::JoinInstanceLock(kInstanceLockName, &anotherInstance);
    // The shared window is what a full-screen start brings to the front
    // instead of starting: where only a full-screen run blocks one, only a
    // full-screen run stores its window there.
    const bool anyRunBlocks = platform::AnyRunBlocksFullScreen();

    if (line.mode == RunMode::Configure) return RunConfigDialog(0) ? 0 : kSettingsNotSavedExitCode;
    if (line.mode == RunMode::ConfigureOwned) {
        if (anyRunBlocks) platform::WriteSharedWindow(line.window);
        return RunConfigDialog(line.window) ? 1 : kSettingsNotSavedExitCode;
    }
    if (line.mode == RunMode::FullScreen &&
        (anyRunBlocks ? anotherInstance : !platform::TryHoldLock(kFullScreenLockName))) {
        // Raised only when it is still a window of this program's.
        platform::RaiseWindow(platform::ReadSharedWindow());
        return 0;
    }

    platform::InstallTerminationHandler();
    saverActive = line.mode == RunMode::FullScreen;
    platform::WindowId window = 0;
    std::string error;
    if (!platform::CreateScreenWindow(RequestFor(line), &window, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (anyRunBlocks ? !IsXScreenSaverRun(line.mode) : line.mode == RunMode::FullScreen)
        platform::WriteSharedWindow(window);

    GlutViewerCallback callback;
    StartUp(line, &callback);
    int exitCode = MainLoop(line.showFps);

    bool musicReleased = true;
    if (PlaysMusic(line.mode)) {
        // The window goes at once; the music ramps down after it.
        platform::HideScreenWindow();
        musicStopRequested = true;
        musicReleased = WaitForMusicThreadEnd(200);
    }
    platform::NotifyScreensaverRunning(false);
    // A music thread still inside OpenAL must not see the exit handlers tear
    // the library down under it: end without them.
    if (!musicReleased) platform::EndProcessNow(exitCode);
    return exitCode;
}
