/* A 320 x 240 window for the Windows end-to-end tests to hand to velmora.scr,
 * run under Wine. It prints its handle, then reports the size of its first
 * child each time it changes:
 *   test_parent.exe preview   once a child has shown for a second, minimises
 *                             itself ("MINIMISED"), restores itself 7 s later
 *                             ("RESTORED"), halves its size a second after
 *                             that, then destroys itself once the child has
 *                             followed (or after 5 s) and exits
 *   test_parent.exe owner     stays until it is ended
 *   test_parent.exe deny-writes   lets no one write the user's settings key
 *                                 (it may still be read and deleted), then exits
 *   test_parent.exe allow-writes  gives everyone all access to it again
 *   test_parent.exe minimised as owner, but minimised once shown; prints
 *                             "RESTORED" when something restores it
 * Standard output is unbuffered: the test reads each line while this runs. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

static int preview, minimised, width = 320, height = 240, shownTicks;
static int childWidth = -1, childHeight = -1;

static void Resize(HWND window, int w, int h) {
    RECT rect = {0, 0, w, h};
    AdjustWindowRect(&rect, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(window, NULL, 0, 0, rect.right - rect.left, rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER);
}

static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        HWND child = GetWindow(window, GW_CHILD);
        RECT rect = {0, 0, -1, -1};
        if (child != NULL) GetClientRect(child, &rect);
        if (rect.right != childWidth || rect.bottom != childHeight) {
            childWidth = rect.right;
            childHeight = rect.bottom;
            printf("CHILD %d %d\n", childWidth, childHeight);
        }
        if (!preview || child == NULL) return 0;
        if (++shownTicks == 20 || shownTicks == 160) {
            ShowWindow(window, shownTicks == 20 ? SW_MINIMIZE : SW_RESTORE);
            printf(IsIconic(window) ? "MINIMISED\n" : "RESTORED\n");
        }
        if (shownTicks == 180) Resize(window, width / 2, height / 2);
        if (shownTicks == 280 || (shownTicks > 180 && childWidth == width / 2 && childHeight == height / 2))
            DestroyWindow(window);
        return 0;
    }
    if (message == WM_SIZE && minimised && wParam == SIZE_RESTORED) {
        printf("RESTORED\n");
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

/* The access to the user's settings key: everyone's `allowed`, or all of it. */
static int SetSettingsKeyAccess(DWORD allowed) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\{6B2E7C91-5DA4-4f3e-9C07-E1A85F2D3B60}", 0, NULL,
                        0, WRITE_DAC, NULL, &key, NULL) != ERROR_SUCCESS)
        return 1;
    SID_IDENTIFIER_AUTHORITY world = {SECURITY_WORLD_SID_AUTHORITY};
    PSID everyone = NULL;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    DWORD aclBuffer[64];
    ACL* acl = (ACL*)aclBuffer;
    InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, allowed, everyone);
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, allowed == KEY_ALL_ACCESS ? NULL : acl, FALSE);
    LONG status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
    FreeSid(everyone);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "deny-writes") == 0) return SetSettingsKeyAccess(KEY_READ | DELETE | WRITE_DAC);
    if (argc > 1 && strcmp(argv[1], "allow-writes") == 0) return SetSettingsKeyAccess(KEY_ALL_ACCESS);
    setvbuf(stdout, NULL, _IONBF, 0); /* the test reads each line while this runs */
    preview = argc > 1 && strcmp(argv[1], "preview") == 0;
    int startMinimised = argc > 1 && strcmp(argv[1], "minimised") == 0;
    WNDCLASSA windowClass = {.lpfnWndProc = ParentProc,
                             .hInstance = GetModuleHandleA(NULL),
                             .hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH),
                             .lpszClassName = "VelmoraTestParent"};
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("VelmoraTestParent", "velmora-test-parent", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20,
                                20, 100, 100, NULL, NULL, windowClass.hInstance, NULL);
    Resize(window, width, height);
    ShowWindow(window, SW_SHOW);
    if (startMinimised) {
        ShowWindow(window, SW_SHOWMINNOACTIVE);
        minimised = IsIconic(window);
    }
    SetTimer(window, 1, 50, NULL);
    printf("HWND %llu\n", (unsigned long long)(UINT_PTR)window);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
