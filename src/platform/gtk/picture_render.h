// The background render of a dialog picture that has no file yet.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "platform/dialog.h"

namespace platform {

// Runs this program with the picture's render arguments once; when it
// succeeds the file moves to picture.renderFile and `done` gets its path.
// Destroying the render while it runs stops the child and removes its file.
class PictureRender {
public:
    PictureRender() = default;
    ~PictureRender();
    PictureRender(const PictureRender&) = delete;
    PictureRender& operator=(const PictureRender&) = delete;

    bool Start(const DialogPicture& picture, std::function<void(const std::string&)> done);

private:
    static void OnChildExit(GPid pid, gint status, gpointer self);

    GPid child = 0;
    guint watch = 0;
    std::string partFile;
    std::string finalFile;
    std::function<void(const std::string&)> onDone;
};

}  // namespace platform
