// The modal dialog on Windows: the executable's dialog resource, its messages
// handed to the shared dialog procedure.
#include <cstdio>

#include "platform/dialog.h"
#include "platform/win32/win32_state.h"

namespace platform {

namespace {

class ResourceDialog final : public DialogControls {
public:
    explicit ResourceDialog(DialogProc procedure) : procedure(procedure) {}

    void CheckButton(int id, bool checked) override {
        CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    bool IsButtonChecked(int id) const override { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    void EndDialog(int result) override { ::EndDialog(dialog, result); }
    void ShowErrorMessage(const char* caption, const std::string& text) override {
        MessageBoxA(dialog, text.c_str(), caption, MB_OK | MB_ICONERROR);
    }

    static INT_PTR CALLBACK Messages(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    DialogProc procedure;
    HWND dialog = nullptr;
};

INT_PTR CALLBACK ResourceDialog::Messages(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<ResourceDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->dialog = window;
        return self->procedure(*self, DialogMessage::Init, 0) ? TRUE : FALSE;
    }
    auto* self = reinterpret_cast<ResourceDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr) return FALSE;
    // Escape and the close command arrive as IDCANCEL, which the procedure
    // leaves alone: only OK ends the dialog.
    if (message == WM_COMMAND) self->procedure(*self, DialogMessage::Command, LOWORD(wParam));
    return FALSE;
}

}  // namespace

int RunModalDialog(const DialogTemplate& dialogTemplate, WindowId owner, DialogProc procedure,
                   const std::vector<DialogPicture>&) {
    HWND ownerWindow = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(owner));
    if (ownerWindow != nullptr && !IsWindow(ownerWindow)) ownerWindow = nullptr;
    ResourceDialog dialog(procedure);
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(dialogTemplate.resourceId),
                                     ownerWindow, ResourceDialog::Messages, reinterpret_cast<LPARAM>(&dialog));
    if (result == -1) {
        std::fprintf(stderr, "velmora: can't show dialog %d (Windows error %lu)\n", dialogTemplate.resourceId,
                     GetLastError());
        return -1;
    }
    return static_cast<int>(result);
}

}  // namespace platform
