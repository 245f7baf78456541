#include "model/ms3d_model.h"

Ms3dModel::Ms3dModel() { Clear(); }

Ms3dModel::~Ms3dModel() { Clear(); }

void Ms3dModel::Clear() {
    // swap with empties so a large earlier model gives its memory back
    std::vector<Ms3dVertex>().swap(vertices);
    std::vector<Ms3dTriangle>().swap(triangles);
    std::vector<Ms3dGroup>().swap(groups);
    std::vector<Ms3dMaterial>().swap(materials);
    std::vector<Ms3dJoint>().swap(joints);
    std::string().swap(comment);
    frameRate = 24.0f;
    currentFrame = 1.0f;
    totalFrames = 30;
    jointSize = 1.0f;
    transparencyMode = 0;
    alphaRef = 0.5f;
}
