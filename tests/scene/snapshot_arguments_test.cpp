#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/snapshot.h"

namespace {

TEST(SnapshotArguments, FileSizeAndFrames) {
    const struct {
        std::vector<std::string> args;
        bool ok;
        int width, height, frames;
    } cases[] = {
        {{"out.png"}, true, 960, 540, 1},
        {{"out.png", "--size", "64x48"}, true, 64, 48, 1},
        {{"out.png", "--frames", "30", "--size", "1920x1080"}, true, 1920, 1080, 30},
        {{"out.png", "--size", "8192x1"}, true, 8192, 1, 1},
        {{}, false, 0, 0, 0},
        {{"--size", "64x48"}, false, 0, 0, 0},
        {{"out.png", "--size"}, false, 0, 0, 0},
        {{"out.png", "--size", "64"}, false, 0, 0, 0},
        {{"out.png", "--size", "0x48"}, false, 0, 0, 0},
        {{"out.png", "--size", "8193x2"}, false, 0, 0, 0},
        {{"out.png", "--size", "64x48x2"}, false, 0, 0, 0},
        {{"out.png", "--size", "-4x48"}, false, 0, 0, 0},
        {{"out.png", "--frames", "0"}, false, 0, 0, 0},
        {{"out.png", "--frames", "1000001"}, false, 0, 0, 0},
        {{"out.png", "--frames", "99999999999999999999"}, false, 0, 0, 0},
        {{"out.png", "--frames", "3a"}, false, 0, 0, 0},
        {{"out.png", "--speed", "3"}, false, 0, 0, 0},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv;
        for (const std::string& a : c.args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        SnapshotRequest request;
        const char* error = nullptr;
        const bool ok = ParseSnapshotArguments(static_cast<int>(c.args.size()), argv.data(), &request, &error);
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        EXPECT_EQ(ok, c.ok) << line;
        if (!ok) {
            EXPECT_NE(error, nullptr) << line;
            continue;
        }
        EXPECT_EQ(std::string(request.file), "out.png");
        EXPECT_EQ(request.width, c.width) << line;
        EXPECT_EQ(request.height, c.height) << line;
        EXPECT_EQ(request.frames, c.frames) << line;
    }
}

}  // namespace
