#include "shell/scene_start.h"

#include "scene/scene.h"
#include "settings/data_names.h"
#include "settings/data_paths.h"

void StartScene(GlutViewerCallback* callback) {
    modelViewer.Init(callback);
    ResolveProgramFolder();
    InitSceneGL();
    char modelPath[kDataPathSize];
    FormDataPath(dataName::kModel, modelPath);  // a refused path leaves it empty: no model
    modelViewer.LoadModel(modelPath);
    modelViewer.UploadModel();
}
