#include "platform/gtk/picture_render.h"

#include <glib/gstdio.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "platform/posix/safe_file.h"

namespace platform {

PictureRender::~PictureRender() {
    if (child == 0) return;
    // The dialog closed first: the unfinished file must not stay behind.
    g_source_remove(watch);
    kill(child, SIGTERM);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    g_spawn_close_pid(child);
    g_unlink(partFile.c_str());
}

bool PictureRender::Start(const DialogPicture& picture, std::function<void(const std::string&)> done) {
    if (child != 0 || picture.renderFile.empty() || picture.renderArgs.empty()) return false;
    gchar* self = g_file_read_link("/proc/self/exe", nullptr);
    if (self == nullptr) return false;
    gchar* folder = g_path_get_dirname(picture.renderFile.c_str());
    std::string ignored;
    bool folderOk = MakeUserFolders(folder, &ignored);
    g_free(folder);
    if (!folderOk) {
        g_free(self);
        return false;
    }
    // A name of its own, so that two dialogs rendering at once never write
    // into the same file; the finished file is moved into place whole.
    partFile = picture.renderFile + "." + std::to_string(getpid()) + ".part.png";
    finalFile = picture.renderFile;
    std::vector<std::string> args{self};
    g_free(self);
    for (const std::string& arg : picture.renderArgs) args.push_back(arg == "{output}" ? partFile : arg);
    std::vector<gchar*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    GError* error = nullptr;
    GPid pid = 0;
    if (!g_spawn_async(nullptr, argv.data(), nullptr,
                       GSpawnFlags(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL), nullptr, nullptr, &pid,
                       &error)) {
        std::fprintf(stderr, "velmora: can't render the dialog picture: %s\n", error->message);
        g_error_free(error);
        return false;
    }
    child = pid;
    onDone = std::move(done);
    watch = g_child_watch_add(child, OnChildExit, this);
    return true;
}

void PictureRender::OnChildExit(GPid pid, gint status, gpointer data) {
    auto* render = static_cast<PictureRender*>(data);
    g_spawn_close_pid(pid);
    render->child = 0;
    render->watch = 0;
    bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && GiveToFolderOwner(render->partFile) &&
              g_rename(render->partFile.c_str(), render->finalFile.c_str()) == 0;
    if (!ok) {
        g_unlink(render->partFile.c_str());
        return;
    }
    if (render->onDone) render->onDone(render->finalFile);
}

}  // namespace platform
