// The modal dialog on GTK 3: a template's controls placed in dialog units on
// a GtkFixed, commands forwarded to the dialog procedure.
#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "platform/dialog.h"
#include "platform/gtk/dialog_units.h"
#include "platform/gtk/picture_render.h"
#include "platform/posix/safe_file.h"

namespace platform {

namespace {

class ModalDialog final : public DialogControls {
public:
    ModalDialog(const DialogTemplate& dialogTemplate, DialogProc procedure)
        : dialogTemplate(dialogTemplate), procedure(procedure) {}

    void CheckButton(int id, bool checked) override {
        GtkWidget* widget = Control(id);
        if (widget == nullptr || !GTK_IS_TOGGLE_BUTTON(widget)) return;
        // Setting the state is not a click: no command goes to the procedure.
        silent = true;
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), checked);
        silent = false;
    }

    bool IsButtonChecked(int id) const override {
        GtkWidget* widget = Control(id);
        return widget != nullptr && GTK_IS_TOGGLE_BUTTON(widget) &&
               gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget));
    }

    void EndDialog(int value) override {
        result = value;
        ended = true;
        if (loop != nullptr) g_main_loop_quit(loop);
    }

    void ShowErrorMessage(const char* caption, const std::string& text) override {
        GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(window), GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK,
                                                "%s", text.c_str());
        gtk_window_set_title(GTK_WINDOW(box), caption);
        gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER_ON_PARENT);
        gtk_dialog_run(GTK_DIALOG(box));
        gtk_widget_destroy(box);
    }

    void SetText(int id, const std::string& text) override {
        GtkWidget* widget = Control(id);
        if (widget != nullptr && GTK_IS_LABEL(widget)) gtk_label_set_text(GTK_LABEL(widget), text.c_str());
    }

    void SetSliderValue(int id, int value) override {
        GtkWidget* widget = Control(id);
        if (widget != nullptr && GTK_IS_RANGE(widget)) gtk_range_set_value(GTK_RANGE(widget), value);
    }

    int SliderValue(int id) const override {
        GtkWidget* widget = Control(id);
        if (widget == nullptr || !GTK_IS_RANGE(widget)) return 0;
        return static_cast<int>(gtk_range_get_value(GTK_RANGE(widget)) + 0.5);
    }

    bool ChooseMusic(bool folder, const std::string& current, std::string* chosen) override;

    int Run(WindowId owner, const std::vector<DialogPicture>& pictures);

private:
    GtkWidget* Control(int id) const {
        auto found = controls.find(id);
        return found == controls.end() ? nullptr : found->second;
    }
    void Send(int id) {
        if (!ended) procedure(*this, DialogMessage::Command, id);
    }
    void Build(const DialogUnits& units, const std::vector<DialogPicture>& pictures);
    GtkWidget* MakePicture(const DialogControl& control, const DialogUnits& units,
                           const std::vector<DialogPicture>& pictures);
    void ShowPicture(GtkWidget* image, const std::string& file);
    void SetOwner(WindowId owner);

    static void OnClicked(GtkButton* button, gpointer self);
    static gboolean OnKeyPress(GtkWidget* window, GdkEventKey* event, gpointer self);
    static gboolean OnDelete(GtkWidget* window, GdkEvent* event, gpointer self);

    const DialogTemplate& dialogTemplate;
    DialogProc procedure;
    GtkWidget* window = nullptr;
    GMainLoop* loop = nullptr;
    std::map<int, GtkWidget*> controls;
    std::vector<GtkWidget*> tabStops;
    GtkWidget* defaultButton = nullptr;
    std::vector<std::unique_ptr<PictureRender>> renders;
    GtkAllocation pictureBox{};
    bool silent = false;
    bool ended = false;
    int result = 0;
};

// Far more than a 256 x 256 picture takes.
constexpr size_t kMaxPictureBytes = 16u << 20;

// The image, scaled down only when it is larger than the given size. The
// bytes are read as a data file is (a FIFO or device in the file's place is
// never opened, so it can't hold the dialog back) and decoded from memory.
GdkPixbuf* LoadPicture(const std::string& file, int maxWidth, int maxHeight) {
    std::string bytes, error;
    if (ReadSmallFile(file, kMaxPictureBytes, &bytes, &error) != ReadResult::Read) return nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    const bool written =
        gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), nullptr);
    const bool decoded = gdk_pixbuf_loader_close(loader, nullptr) && written;  // closed either way
    GdkPixbuf* pixbuf = decoded ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (pixbuf != nullptr) g_object_ref(pixbuf);
    g_object_unref(loader);
    if (pixbuf == nullptr) return nullptr;
    int width = gdk_pixbuf_get_width(pixbuf);
    int height = gdk_pixbuf_get_height(pixbuf);
    if (width <= maxWidth && height <= maxHeight) return pixbuf;
    double fit = std::min(double(maxWidth) / width, double(maxHeight) / height);
    GdkPixbuf* scaled = gdk_pixbuf_scale_simple(pixbuf, std::max(1, int(width * fit)), std::max(1, int(height * fit)),
                                                GDK_INTERP_BILINEAR);
    g_object_unref(pixbuf);
    return scaled;
}

void ModalDialog::ShowPicture(GtkWidget* image, const std::string& file) {
    // The bitmap keeps its own size unless it would not fit its place.
    const int border = 4;
    GdkPixbuf* pixbuf =
        LoadPicture(file, std::max(1, pictureBox.width - border), std::max(1, pictureBox.height - border));
    if (pixbuf == nullptr) return;
    gtk_image_set_from_pixbuf(GTK_IMAGE(image), pixbuf);
    g_object_unref(pixbuf);
}

GtkWidget* ModalDialog::MakePicture(const DialogControl& control, const DialogUnits& units,
                                    const std::vector<DialogPicture>& pictures) {
    pictureBox.width = DialogUnitsToPixelsX(units, control.width);
    pictureBox.height = DialogUnitsToPixelsY(units, control.height);
    GtkWidget* frame = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
    // The themes draw frames flat; a picture control's client edge is sunken.
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(
        css, "frame > border { border-width: 2px; border-style: inset; border-color: #a0a0a0; }", -1, nullptr);
    gtk_style_context_add_provider(gtk_widget_get_style_context(frame), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    GtkWidget* image = gtk_image_new();
    gtk_widget_set_size_request(image, 256, 256);
    gtk_container_add(GTK_CONTAINER(frame), image);
    auto source = std::find_if(pictures.begin(), pictures.end(),
                               [&](const DialogPicture& p) { return p.bitmapId == control.bitmapId; });
    if (source == pictures.end()) return frame;
    for (const std::string& file : source->files) {
        ShowPicture(image, file);
        if (gtk_image_get_storage_type(GTK_IMAGE(image)) != GTK_IMAGE_EMPTY) return frame;
    }
    // No file yet (the build could not render): the dialog opens at once and
    // the picture appears when the background render has made it.
    auto render = std::make_unique<PictureRender>();
    if (render->Start(*source, [this, image](const std::string& file) { ShowPicture(image, file); }))
        renders.push_back(std::move(render));
    return frame;
}

void ModalDialog::Build(const DialogUnits& units, const std::vector<DialogPicture>& pictures) {
    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, DialogUnitsToPixelsX(units, dialogTemplate.width),
                                DialogUnitsToPixelsY(units, dialogTemplate.height));
    gtk_container_add(GTK_CONTAINER(window), fixed);
    // A group box is drawn behind the controls it frames, so frames go in first.
    std::vector<const DialogControl*> order;
    for (int i = 0; i < dialogTemplate.controlCount; ++i) order.push_back(&dialogTemplate.controls[i]);
    std::stable_partition(order.begin(), order.end(),
                          [](const DialogControl* c) { return c->kind == DialogControlKind::GroupBox; });
    for (const DialogControl* control : order) {
        GtkWidget* widget = nullptr;
        switch (control->kind) {
            case DialogControlKind::DefaultPushButton:
                widget = gtk_button_new_with_label(control->text);
                gtk_widget_set_can_default(widget, TRUE);
                defaultButton = widget;
                break;
            case DialogControlKind::AutoCheckBox:
                widget = gtk_check_button_new_with_label(control->text);
                break;
            case DialogControlKind::GroupBox:
                widget = gtk_frame_new(control->text);
                // A group box's caption sits on its top edge, a little way in.
                gtk_frame_set_label_align(GTK_FRAME(widget), 0.04f, 0.5f);
                break;
            case DialogControlKind::Picture:
                widget = MakePicture(*control, units, pictures);
                break;
            case DialogControlKind::PushButton: {
                widget = gtk_button_new_with_label(control->text);
                // A themed button's padding is wider than a dialog unit layout
                // leaves beside its text.
                GtkCssProvider* css = gtk_css_provider_new();
                gtk_css_provider_load_from_data(css, "button { padding-left: 1px; padding-right: 1px; }", -1, nullptr);
                gtk_style_context_add_provider(gtk_widget_get_style_context(widget), GTK_STYLE_PROVIDER(css),
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
                g_object_unref(css);
                break;
            }
            case DialogControlKind::Label:
            case DialogControlKind::NameBox:
                widget = gtk_label_new(control->text);
                gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
                if (control->kind == DialogControlKind::NameBox) {
                    gtk_label_set_ellipsize(GTK_LABEL(widget), PANGO_ELLIPSIZE_MIDDLE);
                    GtkWidget* frame = gtk_frame_new(nullptr);
                    gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
                    gtk_container_add(GTK_CONTAINER(frame), widget);
                    gtk_widget_set_size_request(frame, DialogUnitsToPixelsX(units, control->width),
                                                DialogUnitsToPixelsY(units, control->height));
                    gtk_fixed_put(GTK_FIXED(fixed), frame, DialogUnitsToPixelsX(units, control->x),
                                  DialogUnitsToPixelsY(units, control->y));
                    if (control->id >= 0) controls[control->id] = widget;
                    continue;
                }
                break;
            case DialogControlKind::Slider:
                widget = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
                gtk_scale_set_value_pos(GTK_SCALE(widget), GTK_POS_RIGHT);
                gtk_scale_set_digits(GTK_SCALE(widget), 0);
                break;
        }
        if (control->kind != DialogControlKind::Picture)
            gtk_widget_set_size_request(widget, DialogUnitsToPixelsX(units, control->width),
                                        DialogUnitsToPixelsY(units, control->height));
        gtk_widget_set_can_focus(widget, control->tabStop);
        gtk_fixed_put(GTK_FIXED(fixed), widget, DialogUnitsToPixelsX(units, control->x),
                      DialogUnitsToPixelsY(units, control->y));
        if (control->id >= 0) controls[control->id] = widget;
        if (GTK_IS_BUTTON(widget) && control->kind != DialogControlKind::GroupBox) {
            g_object_set_data(G_OBJECT(widget), "velmora-id", GINT_TO_POINTER(control->id));
            g_signal_connect(widget, "clicked", G_CALLBACK(OnClicked), this);
        }
    }
    // Tab goes through the tab stops in template order, not by position.
    for (int i = 0; i < dialogTemplate.controlCount; ++i) {
        const DialogControl& control = dialogTemplate.controls[i];
        if (control.tabStop && control.id >= 0) tabStops.push_back(controls[control.id]);
    }
    GList* chain = nullptr;
    for (GtkWidget* widget : tabStops) chain = g_list_append(chain, widget);
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_container_set_focus_chain(GTK_CONTAINER(fixed), chain);
    G_GNUC_END_IGNORE_DEPRECATIONS
    g_list_free(chain);
}

bool ModalDialog::ChooseMusic(bool folder, const std::string& current, std::string* chosen) {
    GtkWidget* chooser =
        gtk_file_chooser_dialog_new(folder ? "Choose a music folder" : "Choose a music file", GTK_WINDOW(window),
                                    folder ? GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER : GTK_FILE_CHOOSER_ACTION_OPEN,
                                    "_Cancel", GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* files = GTK_FILE_CHOOSER(chooser);
    gtk_file_chooser_set_local_only(files, TRUE);
    if (!current.empty()) gtk_file_chooser_set_filename(files, current.c_str());
    if (!folder) {
        GtkFileFilter* music = gtk_file_filter_new();
        gtk_file_filter_set_name(music, "Music (Ogg Vorbis, Ogg Opus, FLAC, MP3)");
        for (const char* pattern : {"*.ogg", "*.oga", "*.opus", "*.flac", "*.mp3"}) {
            gtk_file_filter_add_pattern(music, pattern);
        }
        gtk_file_chooser_add_filter(files, music);
        GtkFileFilter* all = gtk_file_filter_new();
        gtk_file_filter_set_name(all, "All files");
        gtk_file_filter_add_pattern(all, "*");
        gtk_file_chooser_add_filter(files, all);
    }
    bool picked = false;
    if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
        // The file system's own spelling, which is what opens the file again.
        char* name = gtk_file_chooser_get_filename(files);
        if (name != nullptr) {
            *chosen = name;
            picked = true;
            g_free(name);
        }
    }
    gtk_widget_destroy(chooser);
    return picked;
}

void ModalDialog::SetOwner(WindowId owner) {
    if (owner == 0) return;
    GdkDisplay* display = gtk_widget_get_display(window);
    if (!GDK_IS_X11_DISPLAY(display)) return;
    // Not a window of ours: GDK checks that it exists and yields null if not,
    // and the dialog then shows without an owner.
    GdkWindow* foreign = gdk_x11_window_foreign_new_for_display(display, static_cast<Window>(owner));
    if (foreign == nullptr) {
        std::fprintf(stderr, "velmora: owner window %llu does not exist\n", static_cast<unsigned long long>(owner));
        return;
    }
    gdk_window_set_transient_for(gtk_widget_get_window(window), foreign);
    g_object_unref(foreign);
}

void ModalDialog::OnClicked(GtkButton* button, gpointer data) {
    auto* dialog = static_cast<ModalDialog*>(data);
    if (dialog->silent) return;
    dialog->Send(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), "velmora-id")));
}

gboolean ModalDialog::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* dialog = static_cast<ModalDialog*>(data);
    switch (event->keyval) {
        case GDK_KEY_Escape:
            dialog->Send(kDialogCancelId);
            return TRUE;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter: {
            // Return presses the focused push button, or else the default one,
            // even while the check box has the focus.
            GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(dialog->window));
            bool pushButton = focus != nullptr && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus);
            GtkWidget* target = pushButton ? focus : dialog->defaultButton;
            if (target != nullptr) gtk_button_clicked(GTK_BUTTON(target));
            return TRUE;
        }
        default:
            return FALSE;
    }
}

gboolean ModalDialog::OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<ModalDialog*>(data)->Send(kDialogCancelId);
    return TRUE;  // only the procedure closes the dialog
}

int ModalDialog::Run(WindowId owner, const std::vector<DialogPicture>& pictures) {
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), dialogTemplate.caption);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_window_set_deletable(GTK_WINDOW(window), FALSE);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window), TRUE);
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), this);

    double dpi = gdk_screen_get_resolution(gtk_widget_get_screen(window));
    Build(DialogUnitsForScale(dpi > 0 ? dpi / 96.0 : 1.0), pictures);
    if (defaultButton != nullptr) gtk_widget_grab_default(defaultButton);

    bool systemFocus = procedure(*this, DialogMessage::Init, 0);
    if (systemFocus && !tabStops.empty()) gtk_widget_grab_focus(tabStops.front());
    if (ended) {
        gtk_widget_destroy(window);
        return result;
    }
    gtk_widget_realize(window);
    SetOwner(owner);
    gtk_widget_show_all(window);

    loop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(loop);
    g_main_loop_unref(loop);
    loop = nullptr;
    renders.clear();
    gtk_widget_destroy(window);
    // Let the X server see the window go before the process goes on.
    while (gtk_events_pending()) gtk_main_iteration();
    return result;
}

}  // namespace

int RunModalDialog(const DialogTemplate& dialogTemplate, WindowId owner, DialogProc procedure,
                   const std::vector<DialogPicture>& pictures) {
    // The rest of the program draws through Xlib, and an owner id is an X
    // window: the dialog lives on the same X server.
    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "velmora: can't show the configuration dialog: no X display\n");
        return -1;
    }
    ModalDialog dialog(dialogTemplate, procedure);
    return dialog.Run(owner, pictures);
}

}  // namespace platform
