#include "model/ms3d_renderer.h"

#include <GL/gl.h>

namespace {

void SetTransparentState(float transparency, int transparencyMode, float alphaRef) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, transparency);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    if (transparencyMode == 0) {
        // blended in table order: depth writes off so what lies behind shows
        glDepthMask(GL_FALSE);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.0f);
    } else if (transparencyMode == 2) {
        glDepthMask(GL_TRUE);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, alphaRef);
    }
}

void SetPlainState() {
    static const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    static const float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    static const float none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glDepthMask(GL_TRUE);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glColor4f(1, 1, 1, 1);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, 0);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, none);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, none);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 0.0f);
}

}  // namespace

void Ms3dRenderer::SetMaterial(int index) {
    if (index < 0 || index >= model_->GetMaterialCount()) {
        SetPlainState();
        return;
    }
    const Ms3dMaterial& material = model_->GetMaterial(index);
    glEnable(GL_TEXTURE_2D);
    if (material.transparency < 1.0f || (material.mode & kMs3dModeBlend) != 0) {
        SetTransparentState(material.transparency, model_->GetTransparencyMode(), model_->GetAlphaRef());
    } else {
        glDisable(GL_BLEND);
        glColor4f(1, 1, 1, 1);
        glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
    }
    if ((material.mode & kMs3dModeSphereMap) != 0) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    } else {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
    glBindTexture(GL_TEXTURE_2D, material.textureName);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, material.ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, material.diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, material.specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, material.emissive);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, material.shininess);
}

void Ms3dRenderer::DrawGroupTriangles(const Ms3dGroup& group) {
    const int triangleCount = model_->GetTriangleCount();
    const int vertexCount = model_->GetVertexCount();
    glBegin(GL_TRIANGLES);
    for (uint16_t triangleIndex : group.triangleIndices) {
        // a loaded model's indices are checked; this guards models built in code
        if (triangleIndex >= triangleCount) continue;
        const Ms3dTriangle& triangle = model_->GetTriangle(triangleIndex);
        if (triangle.vertexIndices[0] >= vertexCount || triangle.vertexIndices[1] >= vertexCount ||
            triangle.vertexIndices[2] >= vertexCount) {
            continue;
        }
        for (int corner = 0; corner < 3; ++corner) {
            const Vec3& normal = triangle.normals[corner];
            const Vec3& position = model_->GetVertex(triangle.vertexIndices[corner]).position;
            glTexCoord2f(triangle.s[corner], triangle.t[corner]);
            glNormal3f(normal.x, normal.y, normal.z);
            glVertex3f(position.x, position.y, position.z);
        }
    }
    glEnd();
}

void Ms3dRenderer::DrawModel(unsigned firstList, int listCount) {
    const int groupCount = model_->GetGroupCount();
    for (int g = 0; g < groupCount; ++g) {
        SetMaterial(model_->groups[g].materialIndex);
        if (g < listCount)
            glCallList(firstList + static_cast<unsigned>(g));
        else
            DrawGroupTriangles(model_->groups[g]);
    }
}

void Ms3dRenderer::CompileGroups(unsigned firstList) {
    const int groupCount = model_->GetGroupCount();
    for (int g = 0; g < groupCount; ++g) {
        glNewList(firstList + static_cast<unsigned>(g), GL_COMPILE);
        DrawGroupTriangles(model_->groups[g]);
        glEndList();
    }
}

void Ms3dRenderer::DrawSkeleton(int mode) {
    if (mode != 0 && mode != 1) return;
    glBegin(mode == 0 ? GL_LINES : GL_POINTS);
    const int jointCount = model_->GetJointCount();
    for (const Ms3dJoint& joint : model_->joints) {
        const Matrix3x4& global = joint.currentGlobal;
        glVertex3f(global.m[0][3], global.m[1][3], global.m[2][3]);
        if (mode == 1) continue;
        // a root's bone is a line of length zero
        const Matrix3x4& parent = joint.parentIndex >= 0 && joint.parentIndex < jointCount
                                      ? model_->GetJoint(joint.parentIndex).currentGlobal
                                      : global;
        glVertex3f(parent.m[0][3], parent.m[1][3], parent.m[2][3]);
    }
    glEnd();
}
