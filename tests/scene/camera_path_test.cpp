#include "scene/camera_path.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/data_paths.h"
#include "support/temp_dir.h"

namespace {

struct Point {
    float x, y, z;
};

// Each case plays its own camera path file from a fresh start.
class CameraPath : public ::testing::Test {
protected:
    void SetUp() override {
        savedFolder = programFolder;
        programFolder = folder.Path() + "/";
        ResetCameraPath();
    }
    void TearDown() override {
        ResetCameraPath();
        programFolder = savedFolder;
    }
    void WritePath(const std::string& text) { folder.Write("data/p", text); }

    static void ExpectEye(Point p, const char* what) {
        EXPECT_FLOAT_EQ(eyePoint[0], p.x) << what;
        EXPECT_FLOAT_EQ(eyePoint[1], p.y) << what;
        EXPECT_FLOAT_EQ(eyePoint[2], p.z) << what;
    }
    static void ExpectTarget(Point p, const char* what) {
        EXPECT_FLOAT_EQ(pathTarget[0], p.x) << what;
        EXPECT_FLOAT_EQ(pathTarget[1], p.y) << what;
        EXPECT_FLOAT_EQ(pathTarget[2], p.z) << what;
    }

    TempDir folder;
    std::string savedFolder;
};

const Point kInitialEye{-1.2607f, 60.0682f, 129.0309f};
const Point kInitialTarget{-1.2621f, 60.0652f, 128.8863f};

TEST_F(CameraPath, FirstStepOnlyOpensTheFile) {
    WritePath("1,2,3\n4,5,6\n");
    StepCameraPath();
    ExpectEye(kInitialEye, "first");
    ExpectTarget(kInitialTarget, "first");
    EXPECT_EQ(frameCounter, 0);
    StepCameraPath();
    ExpectEye({1, 2, 3}, "second");
    ExpectTarget({4, 5, 6}, "second");
    EXPECT_EQ(frameCounter, 1);
}

TEST_F(CameraPath, LastLineWithoutLineBreakLoopsWithoutASeam) {
    WritePath("1,2,3\n4,5,6\n7,8,9\n10,11,12");
    const Point eyes[] = {{1, 2, 3}, {7, 8, 9}, {1, 2, 3}, {7, 8, 9}, {1, 2, 3}};
    const Point targets[] = {{4, 5, 6}, {10, 11, 12}, {4, 5, 6}, {10, 11, 12}, {4, 5, 6}};
    StepCameraPath();
    for (int k = 0; k < 5; ++k) {
        StepCameraPath();
        ExpectEye(eyes[k], "step");
        ExpectTarget(targets[k], "step");
        EXPECT_EQ(frameCounter, k + 1);
    }
}

TEST_F(CameraPath, LastLineWithLineBreakRepeatsTheLastTargetOnce) {
    WritePath("1,2,3\n4,5,6\n7,8,9\n10,11,12\n");
    // The third step's two reads both meet the end of the file and parse the
    // last target line again.
    const Point eyes[] = {{1, 2, 3}, {7, 8, 9}, {10, 11, 12}, {1, 2, 3}, {7, 8, 9}, {10, 11, 12}};
    const Point targets[] = {{4, 5, 6}, {10, 11, 12}, {10, 11, 12}, {4, 5, 6}, {10, 11, 12}, {10, 11, 12}};
    StepCameraPath();
    for (int k = 0; k < 6; ++k) {
        StepCameraPath();
        ExpectEye(eyes[k], "step");
        ExpectTarget(targets[k], "step");
    }
    EXPECT_EQ(frameCounter, 6);
}

TEST_F(CameraPath, PartialParsesKeepTheRest) {
    WritePath(
        "1, 2, 3\n"     // a blank after each comma: all three
        "4,5,6\n"
        "7 ,8,9\n"      // a blank before the first comma: x only
        "10,11\n"       // z missing: keeps the previous target's z
        "junk\n"        // nothing parses: the eye stays
        "13,14,15");
    StepCameraPath();
    StepCameraPath();
    ExpectEye({1, 2, 3}, "blanks after commas");
    ExpectTarget({4, 5, 6}, "plain");
    StepCameraPath();
    ExpectEye({7, 2, 3}, "blank before a comma");
    ExpectTarget({10, 11, 6}, "two numbers");
    StepCameraPath();
    ExpectEye({7, 2, 3}, "junk");
    ExpectTarget({13, 14, 15}, "last");
}

TEST_F(CameraPath, LongLinesAreReadIn79CharacterPieces) {
    // 8 + 71 blanks fill one read; the rest of the line is the next read.
    WritePath("10,20,30" + std::string(71, ' ') + "40,50,60\n" + "70,80,90\n");
    StepCameraPath();
    StepCameraPath();
    ExpectEye({10, 20, 30}, "first piece");
    ExpectTarget({40, 50, 60}, "rest of the line");
    StepCameraPath();
    ExpectEye({70, 80, 90}, "next line");
}

TEST_F(CameraPath, FrameCounterRunsTo3100ThenWrapsIndependentlyOfTheFile) {
    WritePath("1,2,3\n4,5,6\n7,8,9\n10,11,12");
    StepCameraPath();
    for (int step = 1; step <= 3100; ++step) {
        StepCameraPath();
        ASSERT_EQ(frameCounter, step);
        if (step == 1999) {
            EXPECT_LT(frameCounter, kOrbitSteps);
        }
        if (step == 2000) {
            EXPECT_GE(frameCounter, kOrbitSteps);
        }
    }
    // 3100 steps of a two-step file end on the file's second step.
    ExpectEye({7, 8, 9}, "step 3100");
    StepCameraPath();
    EXPECT_EQ(frameCounter, 0);
    ExpectEye({1, 2, 3}, "after the wrap");
    StepCameraPath();
    EXPECT_EQ(frameCounter, 1);
}

TEST_F(CameraPath, MissingFileKeepsTheInitialCameraWithOneMessage) {
    testing::internal::CaptureStdout();
    for (int k = 0; k < 50; ++k) StepCameraPath();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "***Can't open the camera path " + programFolder + "data/p, the camera stays still!\n");
    ExpectEye(kInitialEye, "missing");
    ExpectTarget(kInitialTarget, "missing");
    EXPECT_EQ(frameCounter, 0);
}

TEST_F(CameraPath, PathTooLongForTheBufferCountsAsMissing) {
    programFolder = "/" + std::string(kDataPathSize, 'a') + "/";
    testing::internal::CaptureStdout();
    for (int k = 0; k < 5; ++k) StepCameraPath();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "***Can't open the camera path " + programFolder + "data/p, the camera stays still!\n");
    ExpectEye(kInitialEye, "too long");
    EXPECT_EQ(frameCounter, 0);
}

}  // namespace
