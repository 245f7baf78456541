// The modal dialog on Windows: the executable's dialog resource, its messages
// handed to the shared dialog procedure.
#include <cstdio>

#include "platform/dialog.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_state.h"
// After windows.h (through win32_state.h).
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cwchar>

namespace platform {

namespace {

class ResourceDialog final : public DialogControls {
public:
    ResourceDialog(const DialogTemplate& dialogTemplate, DialogProc procedure)
        : dialogTemplate(&dialogTemplate), procedure(procedure) {}

    void CheckButton(int id, bool checked) override {
        CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    bool IsButtonChecked(int id) const override { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    void EndDialog(int result) override { ::EndDialog(dialog, result); }
    void ShowErrorMessage(const char* caption, const std::string& text) override {
        MessageBoxA(dialog, text.c_str(), caption, MB_OK | MB_ICONERROR);
    }
    void SetText(int id, const std::string& text) override { SetDlgItemTextW(dialog, id, WideFromUtf8(text).c_str()); }
    void SetSliderValue(int id, int value) override { SendDlgItemMessageW(dialog, id, TBM_SETPOS, TRUE, value); }
    int SliderValue(int id) const override {
        return static_cast<int>(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0));
    }
    bool ChooseMusic(bool folder, const std::string& current, std::string* chosen) override {
        return folder ? ChooseFolder(chosen) : ChooseFile(current, chosen);
    }

    static INT_PTR CALLBACK Messages(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    bool ChooseFile(const std::string& current, std::string* chosen);
    bool ChooseFolder(std::string* chosen);

    const DialogTemplate* dialogTemplate;
    DialogProc procedure;
    HWND dialog = nullptr;
};

// The wide calls throughout: a name outside the system's code page is kept.
bool ResourceDialog::ChooseFile(const std::string& current, std::string* chosen) {
    wchar_t name[32768] = L"";
    const std::wstring start = WideFromUtf8(current);
    if (start.size() < 32768) wcscpy(name, start.c_str());
    OPENFILENAMEW open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = dialog;
    open.lpstrFilter = L"Music (Ogg Vorbis, Ogg Opus, FLAC, MP3)\0*.ogg;*.oga;*.opus;*.flac;*.mp3\0All files\0*.*\0";
    open.lpstrFile = name;
    open.nMaxFile = 32768;
    open.lpstrTitle = L"Choose a music file";
    open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!GetOpenFileNameW(&open)) return false;
    *chosen = Utf8FromWide(name);
    return true;
}

bool ResourceDialog::ChooseFolder(std::string* chosen) {
    // The folder browser is a COM object of the shell's.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    BROWSEINFOW browse{};
    browse.hwndOwner = dialog;
    browse.lpszTitle = L"Choose a music folder";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&browse);
    bool picked = false;
    if (item != nullptr) {
        wchar_t path[MAX_PATH] = L"";
        if (SHGetPathFromIDListW(item, path)) {
            *chosen = Utf8FromWide(path);
            picked = true;
        }
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return picked;
}

INT_PTR CALLBACK ResourceDialog::Messages(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<ResourceDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->dialog = window;
        for (int i = 0; i < self->dialogTemplate->controlCount; ++i) {
            const DialogControl& control = self->dialogTemplate->controls[i];
            if (control.kind != DialogControlKind::Slider) continue;
            SendDlgItemMessageW(window, control.id, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
            SendDlgItemMessageW(window, control.id, TBM_SETTICFREQ, 10, 0);
            SendDlgItemMessageW(window, control.id, TBM_SETPAGESIZE, 0, 10);
        }
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
    // The volume slider is a common control, registered here.
    INITCOMMONCONTROLSEX common{sizeof common, ICC_BAR_CLASSES};
    InitCommonControlsEx(&common);
    ResourceDialog dialog(dialogTemplate, procedure);
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
