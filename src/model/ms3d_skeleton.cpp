// Joint hierarchy and bind pose.
#include <cstring>

#include "model/ms3d_model.h"

namespace {

// Name fields may fill all 32 bytes without a terminator; `name` is read no
// further than it matches the field.
bool FieldEquals(const char (&field)[32], const char* name) {
    for (size_t i = 0; i < sizeof field; ++i) {
        if (field[i] != name[i]) return false;
        if (field[i] == '\0') return true;
    }
    return name[sizeof field] == '\0';
}

int FindJointByField(const std::vector<Ms3dJoint>& joints, const char (&field)[32]) {
    // the parent field may lack a terminator: compare with a terminated copy
    char name[33];
    std::memcpy(name, field, 32);
    name[32] = '\0';
    for (size_t i = 0; i < joints.size(); ++i) {
        if (FieldEquals(joints[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

// Any joint whose chain of parents comes back to itself becomes a root, so
// every chain ends. Marks: 0 unseen, 1 on the chain being walked, 2 settled.
void BreakCycles(std::vector<Ms3dJoint>& joints) {
    std::vector<uint8_t> mark(joints.size(), 0);
    std::vector<int> chain;
    for (size_t start = 0; start < joints.size(); ++start) {
        chain.clear();
        int at = static_cast<int>(start);
        while (at >= 0 && mark[at] == 0) {
            mark[at] = 1;
            chain.push_back(at);
            at = joints[at].parentIndex;
        }
        if (at >= 0 && mark[at] == 1) {
            // `at` is on the current chain: the joints from it onwards form the cycle
            size_t first = 0;
            while (chain[first] != at) ++first;
            for (size_t i = first; i < chain.size(); ++i) joints[chain[i]].parentIndex = -1;
        }
        for (int joint : chain) mark[joint] = 2;
    }
}

}  // namespace

int Ms3dModel::FindJoint(const char* name) const {
    for (size_t i = 0; i < joints.size(); ++i) {
        if (FieldEquals(joints[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

void Ms3dModel::SetupJoints() {
    for (Ms3dJoint& joint : joints) joint.parentIndex = FindJointByField(joints, joint.parentName);
    BreakCycles(joints);

    for (Ms3dJoint& joint : joints) {
        joint.localBind = MatrixFromAngles(joint.rotation);
        joint.localBind.m[0][3] = joint.position.x;
        joint.localBind.m[1][3] = joint.position.y;
        joint.localBind.m[2][3] = joint.position.z;
    }

    // Parents first, whatever the table order: walk up to the nearest joint
    // already done, then compute back down that chain.
    std::vector<uint8_t> done(joints.size(), 0);
    std::vector<int> chain;
    for (size_t start = 0; start < joints.size(); ++start) {
        chain.clear();
        for (int at = static_cast<int>(start); at >= 0 && !done[at]; at = joints[at].parentIndex) {
            chain.push_back(at);
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            Ms3dJoint& joint = joints[*it];
            if (joint.parentIndex < 0) {
                joint.globalBind = joint.localBind;
            } else {
                ConcatMatrices(joints[joint.parentIndex].globalBind, joint.localBind, joint.globalBind);
            }
            done[*it] = 1;
        }
    }
}

void Ms3dModel::SetFrame(float frame) {
    for (Ms3dJoint& joint : joints) {
        joint.currentLocal = joint.localBind;
        joint.currentGlobal = joint.globalBind;
    }
    currentFrame = frame;
}
