// Matrices, bounds and the bind pose of the joint hierarchy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/ms3d_math.h"
#include "model/ms3d_model.h"

namespace {

constexpr float kPi = 3.14159265358979f;

struct PointCase {
    Vec3 angles, point, expected;
};

TEST(Ms3dMath, MatrixFromAnglesCarriesPoints) {
    const PointCase cases[] = {
        {{0, 0, 0}, {1, 2, 3}, {1, 2, 3}},
        {{0, 0, kPi / 2}, {1, 0, 0}, {0, 1, 0}},
        {{0, kPi / 2, 0}, {1, 0, 0}, {0, 0, -1}},
        {{kPi / 2, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        {{0, 0, kPi}, {1, 1, 0}, {-1, -1, 0}},
        // x first, then y, then z: (0,1,0) -> x:(0,0,1) -> y:(1,0,0) -> z:(0,1,0)
        {{kPi / 2, kPi / 2, kPi / 2}, {0, 1, 0}, {0, 1, 0}},
        {{kPi / 2, kPi / 2, 0}, {0, 1, 0}, {1, 0, 0}},
    };
    for (const PointCase& c : cases) {
        const Matrix3x4 m = MatrixFromAngles(c.angles);
        const Vec3 p = TransformPoint(m, c.point);
        EXPECT_NEAR(p.x, c.expected.x, 1e-6) << c.angles.x << " " << c.angles.y << " " << c.angles.z;
        EXPECT_NEAR(p.y, c.expected.y, 1e-6) << c.angles.x << " " << c.angles.y << " " << c.angles.z;
        EXPECT_NEAR(p.z, c.expected.z, 1e-6) << c.angles.x << " " << c.angles.y << " " << c.angles.z;
        for (int r = 0; r < 3; ++r) EXPECT_EQ(m.m[r][3], 0.0f);
    }
}

TEST(Ms3dMath, ConcatAppliesTheRightMatrixFirst) {
    Matrix3x4 turn = MatrixFromAngles({0, 0, kPi / 2});
    turn.m[0][3] = 5;
    Matrix3x4 shift = MatrixFromAngles({0, 0, 0});
    shift.m[0][3] = 1;
    shift.m[1][3] = 2;
    Matrix3x4 out;
    ConcatMatrices(turn, shift, out);
    // (0,0,0) shifted to (1,2,0), turned to (-2,1,0), moved to (3,1,0)
    const Vec3 p = TransformPoint(out, {0, 0, 0});
    EXPECT_NEAR(p.x, 3, 1e-6);
    EXPECT_NEAR(p.y, 1, 1e-6);
    EXPECT_NEAR(p.z, 0, 1e-6);
    const Vec3 q = TransformPoint(out, {1, 0, 0});
    EXPECT_NEAR(q.x, 3, 1e-6);
    EXPECT_NEAR(q.y, 2, 1e-6);
}

TEST(Ms3dMath, Bounds) {
    Vec3 min, max;
    ResetBounds(min, max);
    EXPECT_EQ(min.x, 99999.0f);
    EXPECT_EQ(max.z, -99999.0f);
    ExtendBounds({1, -2, 3}, min, max);
    EXPECT_EQ(min.x, 1.0f);
    EXPECT_EQ(max.x, 1.0f);
    EXPECT_EQ(min.y, -2.0f);
    EXPECT_EQ(max.y, -2.0f);
    ExtendBounds({-1, 4, 3}, min, max);
    EXPECT_EQ(min.x, -1.0f);
    EXPECT_EQ(max.x, 1.0f);
    EXPECT_EQ(min.y, -2.0f);
    EXPECT_EQ(max.y, 4.0f);
    EXPECT_EQ(min.z, 3.0f);
    EXPECT_EQ(max.z, 3.0f);
}

Ms3dJoint MakeJoint(const char* name, const char* parent, Vec3 rotation, Vec3 position) {
    Ms3dJoint j{};
    std::memcpy(j.name, name, std::min(std::strlen(name), sizeof j.name));
    std::memcpy(j.parentName, parent, std::min(std::strlen(parent), sizeof j.parentName));
    j.rotation = rotation;
    j.position = position;
    return j;
}

Vec3 JointPosition(const Ms3dModel& model, int index) {
    const Matrix3x4& m = model.GetJoint(index).currentGlobal;
    return {m.m[0][3], m.m[1][3], m.m[2][3]};
}

void ExpectPosition(const Ms3dModel& model, int index, Vec3 expected) {
    const Vec3 p = JointPosition(model, index);
    EXPECT_NEAR(p.x, expected.x, 1e-5) << "joint " << index;
    EXPECT_NEAR(p.y, expected.y, 1e-5) << "joint " << index;
    EXPECT_NEAR(p.z, expected.z, 1e-5) << "joint " << index;
}

TEST(Ms3dSkeleton, RootAndChildPositions) {
    Ms3dModel model;
    model.joints = {MakeJoint("root", "", {0, 0, kPi / 2}, {5, 0, 0}), MakeJoint("child", "root", {0, 0, 0}, {0, 1, 0}),
                    MakeJoint("single", "nobody", {0, 0, 0}, {1, 2, 3})};
    model.SetupJoints();
    model.SetFrame(-1.0f);
    EXPECT_EQ(model.GetJoint(0).parentIndex, -1);
    EXPECT_EQ(model.GetJoint(1).parentIndex, 0);
    EXPECT_EQ(model.GetJoint(2).parentIndex, -1);
    ExpectPosition(model, 0, {5, 0, 0});
    ExpectPosition(model, 1, {4, 0, 0});
    ExpectPosition(model, 2, {1, 2, 3});
    EXPECT_EQ(model.GetCurrentFrame(), -1.0f);
    EXPECT_EQ(std::memcmp(&model.GetJoint(1).currentLocal, &model.GetJoint(1).localBind, sizeof(Matrix3x4)), 0);
}

TEST(Ms3dSkeleton, FindJointIsExactAndTakesTheFirst) {
    Ms3dModel model;
    EXPECT_EQ(model.FindJoint("root"), -1);
    model.joints = {MakeJoint("root", "", {}, {}), MakeJoint("Root", "", {}, {}), MakeJoint("root", "", {}, {}),
                    MakeJoint("child", "root", {}, {})};
    EXPECT_EQ(model.FindJoint("root"), 0);
    EXPECT_EQ(model.FindJoint("Root"), 1);
    EXPECT_EQ(model.FindJoint("roo"), -1);
    EXPECT_EQ(model.FindJoint("rootx"), -1);
    EXPECT_EQ(model.FindJoint(""), -1);
    model.SetupJoints();
    EXPECT_EQ(model.GetJoint(3).parentIndex, 0);
}

TEST(Ms3dSkeleton, AnEmptyParentNameMatchesAJointWithAnEmptyName) {
    Ms3dModel model;
    model.joints = {MakeJoint("", "", {}, {1, 0, 0}), MakeJoint("b", "", {}, {0, 1, 0})};
    model.SetupJoints();
    model.SetFrame(-1.0f);
    EXPECT_EQ(model.GetJoint(0).parentIndex, -1) << "its own parent: a cycle of one";
    EXPECT_EQ(model.GetJoint(1).parentIndex, 0);
    ExpectPosition(model, 1, {1, 1, 0});
}

TEST(Ms3dSkeleton, ChildrenBeforeTheirParents) {
    Ms3dModel model;
    // leaf, then its parent, then the root: computed parents first anyway
    model.joints = {MakeJoint("leaf", "mid", {}, {0, 0, 1}), MakeJoint("mid", "root", {}, {0, 2, 0}),
                    MakeJoint("root", "", {0, 0, kPi / 2}, {10, 0, 0})};
    model.SetupJoints();
    model.SetFrame(-1.0f);
    ExpectPosition(model, 2, {10, 0, 0});
    ExpectPosition(model, 1, {8, 0, 0});
    ExpectPosition(model, 0, {8, 0, 1});
}

TEST(Ms3dSkeleton, JointsInACycleBecomeRoots) {
    Ms3dModel model;
    model.joints = {MakeJoint("a", "c", {}, {1, 0, 0}), MakeJoint("b", "a", {}, {0, 1, 0}),
                    MakeJoint("c", "b", {}, {0, 0, 1}), MakeJoint("hanger", "b", {}, {0, 0, 5}),
                    MakeJoint("self", "self", {}, {7, 7, 7})};
    model.SetupJoints();
    model.SetFrame(-1.0f);
    for (int i : {0, 1, 2, 4}) EXPECT_EQ(model.GetJoint(i).parentIndex, -1) << i;
    EXPECT_EQ(model.GetJoint(3).parentIndex, 1) << "a joint hanging off a cycle keeps its parent";
    ExpectPosition(model, 0, {1, 0, 0});
    ExpectPosition(model, 1, {0, 1, 0});
    ExpectPosition(model, 2, {0, 0, 1});
    ExpectPosition(model, 3, {0, 1, 5});
    ExpectPosition(model, 4, {7, 7, 7});
}

TEST(Ms3dSkeleton, NoJoints) {
    Ms3dModel model;
    model.SetupJoints();
    model.SetFrame(-1.0f);
    EXPECT_EQ(model.GetCurrentFrame(), -1.0f);
    EXPECT_EQ(model.GetJointCount(), 0);
}

TEST(Ms3dSkeleton, ADeepChainStaysExact) {
    Ms3dModel model;
    // 2000 joints listed leaf first: no recursion may run out of stack
    for (int i = 0; i < 2000; ++i) {
        const std::string name = "j" + std::to_string(1999 - i);
        const std::string parent = i == 1999 ? "" : "j" + std::to_string(1998 - i);
        model.joints.push_back(MakeJoint(name.c_str(), parent.c_str(), {}, {0, 1, 0}));
    }
    model.SetupJoints();
    model.SetFrame(-1.0f);
    ExpectPosition(model, 0, {0, 2000, 0});
    ExpectPosition(model, 1999, {0, 1, 0});
}

}  // namespace
