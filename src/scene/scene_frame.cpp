#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "model/model_viewer.h"
#include "scene/backdrop.h"
#include "scene/camera_path.h"
#include "scene/scene.h"
#include "scene/scene_frame.h"
#include "scene/scene_textures.h"
#include "scene/spinning_cube.h"
#include "scene/view_transform.h"
#include "scene/wave_surface.h"

float cubeAngle = 0.0f;
bool sceneFullDetail = false;

namespace {

// Once the model has turned depth testing off, nothing but the model reads or
// writes depth (the first frame's sky box still tests it): the depth is then
// cleared only under the model's box on screen, just before it is drawn.
bool depthLeftToModel = false;

// The window rectangle, within the viewport, that the model's box covers
// with a pixel to spare; the whole viewport when part of the box lies behind
// the eye. False when the box lies outside the viewport.
bool ModelRect(int rect[4]) {
    ViewTransform view;
    ReadViewTransform(&view);
    const int* viewport = view.viewport;
    rect[0] = viewport[0];
    rect[1] = viewport[1];
    rect[2] = viewport[2];
    rect[3] = viewport[3];
    Vec3 low, high;
    if (!modelViewer.DepthTestedBox(&low, &high)) return false;
    float left = 1.0f, right = -1.0f, bottom = 1.0f, top = -1.0f;
    for (int corner = 0; corner < 8; ++corner) {
        const float p[3] = {corner & 1 ? high.x : low.x, corner & 2 ? high.y : low.y, corner & 4 ? high.z : low.z};
        float clip[4];
        ToClip(view, p, clip);
        if (clip[3] <= 1e-3f) return true;
        left = std::fmin(left, clip[0] / clip[3]);
        right = std::fmax(right, clip[0] / clip[3]);
        bottom = std::fmin(bottom, clip[1] / clip[3]);
        top = std::fmax(top, clip[1] / clip[3]);
    }
    const auto toWindow = [](float ndc, int origin, int size, float spare) {
        const float at = static_cast<float>(origin) + (ndc + 1.0f) * 0.5f * static_cast<float>(size) + spare;
        return static_cast<int>(
            std::fmin(std::fmax(std::floor(at), static_cast<float>(origin)), static_cast<float>(origin + size)));
    };
    const int x0 = toWindow(left, viewport[0], viewport[2], -1.0f);
    const int x1 = toWindow(right, viewport[0], viewport[2], 2.0f);
    const int y0 = toWindow(bottom, viewport[1], viewport[3], -1.0f);
    const int y1 = toWindow(top, viewport[1], viewport[3], 2.0f);
    rect[0] = x0;
    rect[1] = y0;
    rect[2] = x1 - x0;
    rect[3] = y1 - y0;
    return rect[2] > 0 && rect[3] > 0;
}

void ClearModelDepth() {
    int rect[4];
    if (!ModelRect(rect)) return;
    GLint scissor[4];
    glGetIntegerv(GL_SCISSOR_BOX, scissor);
    const bool scissoring = glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE;
    glScissor(rect[0], rect[1], rect[2], rect[3]);
    glEnable(GL_SCISSOR_TEST);
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glScissor(scissor[0], scissor[1], scissor[2], scissor[3]);
    if (!scissoring) glDisable(GL_SCISSOR_TEST);
}

}  // namespace

void AdvanceCubeAngle() {
    // 360 and 0 show on two frames in a row: the turn has 361 frames.
    if (cubeAngle < 360.0f)
        cubeAngle = static_cast<float>(static_cast<double>(cubeAngle) + 1.0);
    else
        cubeAngle = static_cast<float>(static_cast<double>(cubeAngle) - 360.0);
}

void ResetScene() {
    ResetCameraPath();
    ResetWaveSurface();
    cubeAngle = 0.0f;
}

void InitSceneGL() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glFrontFace(GL_CCW);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);

    const GLfloat light0Ambient[] = {0.9f, 0.7f, 1.0f, 1.0f};
    const GLfloat light0Diffuse[] = {1.0f, 0.6f, 0.8f, 1.0f};
    const GLfloat light0Specular[] = {1.0f, 0.1f, 0.1f, 1.0f};
    // Given with the identity model-view: eye coordinates.
    const GLfloat light0Position[] = {0.0f, 100.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, light0Ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light0Diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, light0Specular);
    glLightfv(GL_LIGHT0, GL_POSITION, light0Position);
    glEnable(GL_LIGHT0);

    const GLfloat light1Ambient[] = {0.0f, 0.0f, 0.1f, 1.0f};
    const GLfloat light1Position[] = {0.0f, 50.0f, -60.0f, 1.0f};
    glLightfv(GL_LIGHT1, GL_AMBIENT, light1Ambient);
    glLightfv(GL_LIGHT1, GL_POSITION, light1Position);
    glEnable(GL_LIGHT1);

    const GLfloat materialSpecular[] = {1.0f, 1.0f, 1.0f, 1.0f};
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    glMaterialfv(GL_FRONT, GL_SPECULAR, materialSpecular);
    glMateriali(GL_FRONT, GL_SHININESS, 128);

    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glShadeModel(GL_SMOOTH);

    BuildFontLists();
    LoadSceneTextures();
}

void DrawPlacedModel() {
    glPushMatrix();
    glTranslatef(0.0f, 10.0f, 0.0f);
    if (depthLeftToModel) ClearModelDepth();
    modelViewer.Draw();
    glPopMatrix();
}

void DrawScaledWave() {
    glPushMatrix();
    glScalef(3.0f, 2.0f, 3.0f);
    DrawWaveSurface();
    glPopMatrix();
}

void DrawTurningCube() {
    const bool lightingWasOn = glIsEnabled(GL_LIGHTING) == GL_TRUE;
    if (lightingWasOn) glDisable(GL_LIGHTING);
    glPushMatrix();
    glTranslatef(0.0f, 25.0f, 0.0f);
    glScalef(20.0f, 20.0f, 20.0f);
    glRotatef(cubeAngle, 0.0f, 1.0f, 0.0f);
    DrawSpinningCube();
    glPopMatrix();
    if (lightingWasOn) glEnable(GL_LIGHTING);
}

void ClearSceneBuffers(bool viewsCoverWindow) {
    GLbitfield buffers = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT;
    // The sky is drawn first in every view, unblended and untested once the
    // model has turned depth testing off, and in the first frame over a depth
    // just cleared; with the eye inside the box, more than the near plane's
    // reach from its floor and top, it covers the whole view.
    const bool skyCoversView = std::fabs(eyePoint[1]) < kSkyCoverHeight;
    if (viewsCoverWindow && skyCoversView && !sceneFullDetail) buffers &= ~GL_COLOR_BUFFER_BIT;
    depthLeftToModel = !sceneFullDetail && glIsEnabled(GL_DEPTH_TEST) == GL_FALSE;
    if (depthLeftToModel) buffers &= ~(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glClear(buffers);
}

void AdvanceSceneFrame() {
    StepCameraPath();
    UpdateWaveSurface();
    AdvanceCubeAngle();
}

void DrawSceneFrame() {
    ClearSceneBuffers();
    AdvanceSceneFrame();
    DrawSceneView();
}

void DrawSceneView() {
    glLoadIdentity();
    const bool followPath = frameCounter >= kOrbitSteps;
    gluLookAt(eyePoint[0], eyePoint[1], eyePoint[2], followPath ? pathTarget[0] : 0.0f,
              followPath ? pathTarget[1] : 40.0f, followPath ? pathTarget[2] : 0.0f, 0.0, 1.0, 0.0);
    DrawSkyBox();
    DrawPlacedModel();
    DrawGroundPlane();
    DrawScaledWave();
    DrawTurningCube();
}
