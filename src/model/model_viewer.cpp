#include "model/model_viewer.h"

#include <GL/gl.h>
#define ILUT_USE_OPENGL
#include <IL/il.h>
#include <IL/ilu.h>
#include <IL/ilut.h>

#include <cstring>

#include "model/model_textures.h"
#include "model/ms3d_renderer.h"

ModelViewer modelViewer;

ModelViewer::ModelViewer() : state_(new ViewerState) {
    ilInit();
    iluInit();
    ilutInit();
}

ModelViewer::~ModelViewer() {
    ilShutDown();
    delete state_;
}

void ModelViewer::Init(IModelViewerCallback* callback) {
    state_->callback = callback;
    state_->windowHeight = 1;
    // the view distance gets its first value before the view is reset, so
    // the camera is defined even before a model loads
    state_->viewDistance = 1.41f;
    ResetView();
    state_->lineHeight = 12;
    state_->modelPath[0] = '\0';
    state_->model.Clear();
    state_->extent = {1, 1, 1};
    state_->centre = {0, 0, 0};
    state_->texturesLoaded = false;
    state_->groupLists = 0;  // names of an earlier context, if any
    state_->groupListCount = 0;
}

void ModelViewer::ResetView() { state_->camera = {0, 0, state_->viewDistance}; }

void ModelViewer::LoadModel(const char* path) {
    ViewerState& s = *state_;
    s.model.Clear();
    if (path == nullptr || path[0] == '\0') return;
    // a cut path would name another file: refuse it
    const size_t length = std::strlen(path);
    if (length >= sizeof s.modelPath) return;
    std::memcpy(s.modelPath, path, length + 1);
    if (!s.model.Load(s.modelPath)) return;

    Vec3 min, max;
    ResetBounds(min, max);
    for (const Ms3dVertex& vertex : s.model.vertices) ExtendBounds(vertex.position, min, max);
    s.extent = {max.x - min.x, max.y - min.y, max.z - min.z};
    s.centre = {min.x + s.extent.x * 0.5f, min.y + s.extent.y * 0.5f, min.z + s.extent.z * 0.5f};
    float largest = s.extent.x;
    if (s.extent.y > largest) largest = s.extent.y;
    if (s.extent.z > largest) largest = s.extent.z;
    s.viewDistance = largest * 1.41f;
    s.texturesLoaded = false;
    s.model.SetupJoints();
    s.model.SetFrame(-1.0f);
    ResetView();
}

bool ModelViewer::DepthTestedBox(Vec3* low, Vec3* high) const {
    const ViewerState& s = *state_;
    if (s.model.GetVertexCount() == 0 || s.model.GetTriangleCount() == 0) return false;
    // Draw moves the model's centre to the origin, then by the camera's negation.
    *low = {-s.extent.x * 0.5f - s.camera.x, -s.extent.y * 0.5f - s.camera.y, -s.extent.z * 0.5f - s.camera.z};
    *high = {s.extent.x * 0.5f - s.camera.x, s.extent.y * 0.5f - s.camera.y, s.extent.z * 0.5f - s.camera.z};
    return true;
}

void ModelViewer::UploadModel() {
    ViewerState& s = *state_;
    if (s.texturesLoaded) return;
    Ms3dRenderer renderer(&s.model);
    LoadModelTextures(s.modelPath, s.model);
    // The bind pose never changes, so the triangles are sent to GL once:
    // some 100,000 vertex calls a frame cost little on Linux but cross into
    // the system one by one under Wine.
    if (s.groupLists != 0) glDeleteLists(s.groupLists, s.groupListCount);
    s.groupListCount = s.model.GetGroupCount();
    s.groupLists = s.groupListCount > 0 ? glGenLists(s.groupListCount) : 0;
    if (s.groupLists != 0)
        renderer.CompileGroups(s.groupLists);
    else
        s.groupListCount = 0;
    s.texturesLoaded = true;
}

void ModelViewer::Draw() {
    ViewerState& s = *state_;
    Ms3dRenderer renderer(&s.model);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    const float lightPosition[4] = {0, 0, s.camera.z, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);
    glTranslatef(-s.camera.x, -s.camera.y, -s.camera.z);
    glTranslatef(-s.centre.x, -s.centre.y, -s.centre.z);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    renderer.DrawModel(s.groupLists, s.groupListCount);
    renderer.SetMaterial(-1);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);

    // the skeleton over the model whatever its depth: blue bones, yellow joints
    glColor3f(0, 0, 1);
    glLineWidth(2.0f);
    renderer.DrawSkeleton(0);
    glColor3f(1, 1, 0);
    glPointSize(3.0f);
    renderer.DrawSkeleton(1);
    glLineWidth(1.0f);
    glPointSize(1.0f);
}
