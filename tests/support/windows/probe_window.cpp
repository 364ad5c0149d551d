// A small window for the driver's own tests: a tab control with three pages, an edit box
// inside it and one beside it, and a button. Arguments:
//   --msgbox     show a task-modal message box once the window is up; its result goes to edit 102
//   --url URL    the button hands URL to the shell
// F8 is handled in four posted steps of 150 ms, the last of which counts the presses.
// F9 ends the program with exit code -1, WM_CLOSE with 0.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kTabId = 100;
constexpr int kInnerEditId = 101;
constexpr int kEditId = 102;
constexpr int kButtonId = 103;
constexpr UINT kShowMessageBox = WM_APP + 1;
constexpr UINT kSlowStep = WM_APP + 2;
constexpr LPARAM kSlowSteps = 4;

const char* g_url = nullptr;
int g_exit_code = 0;

void show_message_box(HWND main) {
    int result =
        MessageBoxA(nullptr, "第一行\n第二行", "探针提示", MB_OK | MB_TASKMODAL | MB_ICONINFORMATION);
    char text[32];
    std::snprintf(text, sizeof text, "msgbox=%d", result);
    SetDlgItemTextA(main, kEditId, text);
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wparam) == kButtonId && HIWORD(wparam) == BN_CLICKED && g_url) {
            ShellExecuteA(hwnd, "open", g_url, nullptr, nullptr, SW_SHOWNORMAL);
        }
        return 0;
    case kSlowStep:
        Sleep(150);
        if (lparam < kSlowSteps) {
            PostMessageA(hwnd, kSlowStep, wparam, lparam + 1);
        } else {
            char text[32];
            std::snprintf(text, sizeof text, "slow=%d", static_cast<int>(wparam));
            SetDlgItemTextA(hwnd, kEditId, text);
        }
        return 0;
    case kShowMessageBox:
        show_message_box(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(g_exit_code);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
}

HWND child(HWND parent, DWORD exstyle, const char* cls, const char* text, DWORD style, int x, int y, int w,
           int h, int id) {
    HWND hwnd = CreateWindowExA(exstyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                nullptr);
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return hwnd;
}

void add_tab(HWND tab, int index, const char* text) {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text);
    SendMessageA(tab, TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

int main(int argc, char** argv) {
    bool message_box = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--msgbox") == 0) message_box = true;
        if (std::strcmp(argv[i], "--url") == 0 && i + 1 < argc) g_url = argv[++i];
    }
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hIconSm = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_INFORMATION));
    wc.lpfnWndProc = window_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "DrvProbeMain";
    RegisterClassExA(&wc);

    HWND main_window = CreateWindowExA(0, "DrvProbeMain", "探针窗口", WS_OVERLAPPEDWINDOW, 100, 100, 480, 320,
                                       nullptr, nullptr, wc.hInstance, nullptr);
    SendMessageA(main_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(wc.hIcon));
    HWND tab = child(main_window, WS_EX_CONTROLPARENT, WC_TABCONTROLA, "", WS_TABSTOP | WS_CLIPSIBLINGS, 10,
                     10, 300, 200, kTabId);
    add_tab(tab, 0, "第一页");
    add_tab(tab, 1, "第二页");
    add_tab(tab, 2, "关于");
    child(tab, WS_EX_CLIENTEDGE, "EDIT", "中文ABC表", WS_TABSTOP | ES_AUTOHSCROLL, 10, 40, 190, 24,
          kInnerEditId);
    HWND edit = child(main_window, WS_EX_CLIENTEDGE, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, 320, 10, 140, 24,
                      kEditId);
    child(main_window, 0, "BUTTON", "打开网页", WS_TABSTOP | BS_PUSHBUTTON, 320, 50, 140, 28, kButtonId);

    ShowWindow(main_window, SW_SHOWNORMAL);
    UpdateWindow(main_window);
    SetFocus(edit);
    if (message_box) PostMessageA(main_window, kShowMessageBox, 0, 0);

    WPARAM slow_count = 0;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_F9) {
            g_exit_code = -1;
            DestroyWindow(main_window);
            continue;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_F8) {
            PostMessageA(main_window, kSlowStep, ++slow_count, 1);
            continue;
        }
        if (IsDialogMessageA(main_window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
