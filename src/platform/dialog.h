// The modal dialog seam: GTK 3 in src/platform/gtk on Linux, a dialog
// resource on Windows. Only the configuration dialog uses it.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

enum class DialogControlKind {
    DefaultPushButton,  // the button that Return presses
    AutoCheckBox,       // a two-state check box that toggles itself
    GroupBox,           // a labelled frame drawn behind other controls
    Picture,            // a bitmap in a sunken frame, sized to the bitmap
    PushButton,         // a button that sends its id when pressed
    Label,              // a line of text
    NameBox,            // a sunken line showing a name (a path: its middle gives way)
    Slider,             // a horizontal slider from 0 to 100
};

// One control of a dialog template; places are in dialog units.
struct DialogControl {
    DialogControlKind kind;
    int id;            // -1 for controls that send no commands
    const char* text;  // nullptr for a picture
    int x, y, width, height;
    bool tabStop;
    int bitmapId;  // picture: the bitmap resource it shows, 0 otherwise
};

// A dialog template: Windows builds it from the resource of the same id, the
// other backends from this description. Controls are in tab order.
struct DialogTemplate {
    int resourceId;
    const char* caption;
    int width, height;  // dialog units
    const char* fontName;
    int fontPoints;
    const DialogControl* controls;
    int controlCount;
};

// Where a picture's bitmap comes from where there are no bitmap resources.
struct DialogPicture {
    int bitmapId = 0;
    std::vector<std::string> files;  // PNG files, the first one that loads wins
    // When none loads: run this program with `renderArgs` (where the word
    // "{output}" stands for a fresh file beside `renderFile`) in the
    // background, then move the result to `renderFile` and show it.
    std::string renderFile;
    std::vector<std::string> renderArgs;
};

enum class DialogMessage {
    Init,     // once, before the dialog shows; id is 0
    Command,  // a control was used; id is the control's id (2 for Escape / close)
};

// What a dialog procedure may do to its open dialog.
class DialogControls {
public:
    virtual ~DialogControls() = default;
    virtual void CheckButton(int id, bool checked) = 0;
    virtual bool IsButtonChecked(int id) const = 0;
    // The modal loop returns `result` once the procedure has returned.
    virtual void EndDialog(int result) = 0;
    // An error message box owned by the dialog, with an OK button; returns
    // when the user has closed it (a GTK message dialog, MessageBoxA).
    virtual void ShowErrorMessage(const char* caption, const std::string& text) = 0;
    // The text of a label or name box (UTF-8).
    virtual void SetText(int id, const std::string& text) = 0;
    virtual void SetSliderValue(int id, int value) = 0;
    virtual int SliderValue(int id) const = 0;
    // The system's chooser of a music file (or of a folder), modal over the
    // dialog, opening at `current` when it names one. True, with `chosen`
    // its UTF-8 path, when the user picked one.
    virtual bool ChooseMusic(bool folder, const std::string& current, std::string* chosen) = 0;
};

// For Init, true lets the dialog put the focus on its first tab stop; the
// result of a Command is not used. Nothing but the procedure ends a dialog:
// Escape and the window manager's close arrive as Command kDialogCancelId.
using DialogProc = bool (*)(DialogControls& dialog, DialogMessage message, int id);

// The modal dialog's command id of Escape and the window manager's close.
constexpr int kDialogCancelId = 2;

// Shows the dialog, modal and transient over `owner` when that is a window
// (0: no owner), and runs it until the procedure ends it. Returns the result
// given to EndDialog, or -1 (after a line on stderr) when no dialog could be
// shown, for instance without a display.
int RunModalDialog(const DialogTemplate& dialogTemplate, WindowId owner, DialogProc procedure,
                   const std::vector<DialogPicture>& pictures);

}  // namespace platform
