// The generated camera path: a closed loop fitted to the frame counter, which
// the path reader plays without a seam. (Its views are guarded by the
// reference frames.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "make_data.h"
#include "support/temp_dir.h"

TEST(SceneData, CameraPathIsAClosedLoopOfOneStepPerFrame) {
    TempDir dir;
    ASSERT_TRUE(WriteCameraPath(dir.Path() + "/"));
    const std::string text = ReadFileBytes(dir.Path() + "/p");
    // One eye and one target line per counter value; no line break at the
    // end, so the loop repeats no step. The last step comes back to the eye
    // of the first frame, and no step jumps.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n') + 1, 2 * 3101);
    EXPECT_NE(text.back(), '\n');
    float last[3] = {-1.2607f, 60.0682f, 129.0309f}, p[3];
    int lines = 0, jumps = 0;
    for (const char* at = text.c_str(); std::sscanf(at, "%f,%f,%f", &p[0], &p[1], &p[2]) == 3; ++lines) {
        if (lines % 2 == 0)
            jumps += std::hypot(p[0] - last[0], p[1] - last[1], p[2] - last[2]) > 2.0f, std::copy(p, p + 3, last);
        if ((at = std::strchr(at, '\n')) == nullptr) break;
        ++at;
    }
    EXPECT_EQ(jumps, 0);
    EXPECT_LT(std::hypot(last[0] + 1.2607f, last[1] - 60.0682f, last[2] - 129.0309f), 1e-3);
}
