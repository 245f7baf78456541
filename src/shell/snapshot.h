// velmora --snapshot FILE.png [--size WxH] [--frames N]: renders N frames
// (default 1) of the scene at W x H (default 960 x 540) in an off-screen
// context that needs no display, and writes the last one as a PNG.
#pragma once

class GlutViewerCallback;

// `args` are the arguments after "--snapshot". Returns the exit code: 0, 1
// when the context or the file fails, 2 for arguments it can't use. Texture
// files that can't be read end the process as in any run.
int RunSnapshot(int argc, char** args);

struct SnapshotRequest {
    const char* file = nullptr;
    int width = 960;
    int height = 540;
    int frames = 1;
};

// False, with a line in `error`, for arguments it can't use.
bool ParseSnapshotArguments(int argc, char** args, SnapshotRequest* request, const char** error);

// The start-up of a run, in its order, on the current off-screen context of
// `width` x `height`: viewport, model viewer (with `callback`, which must
// outlive it), program folder, scene set-up and model. Benchmarks start the
// same way.
void StartOffscreenScene(int width, int height, GlutViewerCallback* callback);
