// Drives a running program from another process, one step per run, with the same input a
// person gives: real mouse clicks and key strokes through SendInput. Every run prints
// key=value lines on stdout, or lines "NAME k=v k=v ..." for repeated records; texts are the
// hex of their raw bytes, so nothing depends on the console's code page. Exit status 0 means
// success; otherwise stderr holds one line saying why.
#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>
#include <psapi.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// How long the program may take to answer a message or to handle a step's input
// (--timeout-ms); past it the step fails rather than hang.
DWORD g_timeout_ms = 5000;
constexpr DWORD kForegroundTimeoutMs = 2000;
constexpr DWORD kPollMs = 5;
constexpr int kMessageTextId = 65535;
constexpr int kMessageIconId = 1088;

struct Failure {
    std::string why;
};

struct Usage {};

[[noreturn]] __attribute__((format(gnu_printf, 1, 2))) void fail(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    throw Failure{buffer};
}

unsigned long long hv(const void* handle) {
    return static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle));
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char byte : bytes) {
        auto c = static_cast<unsigned char>(byte);
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string unhex(const char* text) {
    size_t n = std::strlen(text);
    if (n % 2) fail("odd number of hex digits in '%s'", text);
    std::string out;
    for (size_t i = 0; i < n; i += 2) {
        int high = hex_digit(text[i]);
        int low = hex_digit(text[i + 1]);
        if (high < 0 || low < 0) fail("not hex: '%s'", text);
        out += static_cast<char>(high * 16 + low);
    }
    return out;
}

long long number(const char* text, const char* what) {
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text, &end, 0);
    if (!*text || *end || errno) fail("%s is not a number: '%s'", what, text);
    return value;
}

int int_arg(const char* text, const char* what) {
    long long value = number(text, what);
    if (value < INT32_MIN || value > INT32_MAX) fail("%s out of range: '%s'", what, text);
    return static_cast<int>(value);
}

DWORD ms_arg(const char* text) {
    long long value = number(text, "timeout");
    if (value < 0 || value > 600000) fail("timeout out of range: '%s'", text);
    return static_cast<DWORD>(value);
}

// The message is answered or the app is reported as hung; a driver that blocks for ever on
// a hung program would hide the fault behind a test-runner timeout.
LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, g_timeout_ms, &result))
        fail("message 0x%x to window 0x%llx got no answer within %lu ms (error %lu)", message, hv(window),
             g_timeout_ms, GetLastError());
    return static_cast<LRESULT>(result);
}

std::string class_of(HWND window) {
    char name[256];
    int n = GetClassNameA(window, name, sizeof name);
    return std::string(name, n > 0 ? static_cast<size_t>(n) : 0);
}

// WM_GETTEXT is marshalled between processes; the length message gives an upper bound.
std::string text_of(HWND window) {
    LRESULT length = send(window, WM_GETTEXTLENGTH, 0, 0);
    std::string buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    send(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
    buffer.resize(strnlen(buffer.data(), buffer.size()));
    return buffer;
}

DWORD pid_of(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

HWND find_main(const char* window_class) {
    HWND window = FindWindowA(window_class, nullptr);
    if (!window) fail("no window of class '%s'", window_class);
    return window;
}

struct Search {
    int id;
    HWND found;
    int matches;
};

BOOL CALLBACK match_id(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (GetDlgCtrlID(window) == search->id) {
        if (!search->found) search->found = window;
        ++search->matches;
    }
    return TRUE;
}

// GetDlgItem sees only direct children; the program nests controls in containers.
HWND find_control(HWND main, int id, int* matches = nullptr) {
    Search search{id, nullptr, 0};
    EnumChildWindows(main, match_id, reinterpret_cast<LPARAM>(&search));
    if (!search.found) fail("no control with id %d under window 0x%llx", id, hv(main));
    if (matches) *matches = search.matches;
    return search.found;
}

struct ClassSearch {
    const char* name;
    HWND found;
};

BOOL CALLBACK match_class(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ClassSearch*>(param);
    if (lstrcmpiA(class_of(window).c_str(), search->name) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND find_tab(HWND main) {
    ClassSearch search{WC_TABCONTROLA, nullptr};
    EnumChildWindows(main, match_class, reinterpret_cast<LPARAM>(&search));
    if (!search.found) fail("no tab control under window 0x%llx", hv(main));
    return search.found;
}

// The id of the window's parent, 0 when the parent is the main window or the desktop.
int parent_id(HWND window, HWND main) {
    HWND parent = GetAncestor(window, GA_PARENT);
    if (!parent || parent == main || parent == GetDesktopWindow()) return 0;
    return GetDlgCtrlID(parent);
}

void print_rect(const char* key, const RECT& r) {
    std::printf("%s=%ld,%ld,%ld,%ld\n", key, r.left, r.top, r.right, r.bottom);
}

// Memory inside the target process, for messages whose pointers Wine does not marshal.
class Remote {
public:
    Remote(HWND owner, size_t size, DWORD extra_access = 0, DWORD protection = PAGE_READWRITE) {
        DWORD pid = pid_of(owner);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | extra_access, FALSE, pid);
        if (!process_) fail("cannot open process %lu (error %lu)", pid, GetLastError());
        address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, protection);
        if (!address_) {
            DWORD error = GetLastError();
            CloseHandle(process_);
            fail("cannot allocate memory in process %lu (error %lu)", pid, error);
        }
    }
    Remote(const Remote&) = delete;
    Remote& operator=(const Remote&) = delete;
    ~Remote() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        CloseHandle(process_);
    }

    HANDLE process() const { return process_; }

    // Leaves the memory in place: a thread of the target may still be running code in it.
    void abandon() { address_ = nullptr; }

    LPARAM at(size_t offset) const {
        return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset);
    }

    void write(size_t offset, const void* data, size_t size) {
        SIZE_T done = 0;
        if (!WriteProcessMemory(process_, reinterpret_cast<void*>(at(offset)), data, size, &done) || done != size)
            fail("cannot write the target's memory (error %lu)", GetLastError());
    }

    void read(size_t offset, void* data, size_t size) {
        SIZE_T done = 0;
        if (!ReadProcessMemory(process_, reinterpret_cast<void*>(at(offset)), data, size, &done) || done != size)
            fail("cannot read the target's memory (error %lu)", GetLastError());
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

int tab_count(HWND tab) {
    return static_cast<int>(send(tab, TCM_GETITEMCOUNT, 0, 0));
}

void check_tab_index(HWND tab, int index) {
    int count = tab_count(tab);
    if (index < 0 || index >= count) fail("tab index %d out of range (%d tabs)", index, count);
}

RECT tab_item_rect(HWND tab, int index) {
    check_tab_index(tab, index);
    Remote remote(tab, sizeof(RECT));
    if (!send(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), remote.at(0)))
        fail("TCM_GETITEMRECT failed for tab %d", index);
    RECT rect;
    remote.read(0, &rect, sizeof rect);
    return rect;
}

std::string tab_text(HWND tab, int index) {
    check_tab_index(tab, index);
    constexpr size_t capacity = 1024;
    Remote remote(tab, sizeof(TCITEMA) + capacity);
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = reinterpret_cast<LPSTR>(remote.at(sizeof(TCITEMA)));
    item.cchTextMax = static_cast<int>(capacity);
    remote.write(0, &item, sizeof item);
    if (!send(tab, TCM_GETITEMA, static_cast<WPARAM>(index), remote.at(0)))
        fail("TCM_GETITEMA failed for tab %d", index);
    remote.read(0, &item, sizeof item);
    if (reinterpret_cast<LPARAM>(item.pszText) != remote.at(sizeof(TCITEMA)))
        fail("the tab control answered with text outside the buffer it was given");
    std::string text(capacity, '\0');
    remote.read(sizeof(TCITEMA), text.data(), capacity);
    text.resize(strnlen(text.data(), capacity));
    return text;
}

// A thread takes its messages in a fixed order: sent, posted, input, and only then paint.
// Waiting until a freshly invalidated top-level window of the thread has been painted
// therefore waits until the thread has taken and handled all input and posted messages
// queued before. Twice, since a handler may itself repaint the window before the queue is
// drained. (A WM_NULL round trip alone is answered before any queued input is taken, and
// the idle event behind WaitForInputIdle stays set under Wine.)
class Settler {
public:
    // Takes hold of WINDOW's top-level window and process before the step's input can
    // destroy them.
    explicit Settler(HWND window) : top_(GetAncestor(window, GA_ROOT)), pid_(pid_of(top_)) {
        process_ = pid_ ? OpenProcess(SYNCHRONIZE, FALSE, pid_) : nullptr;
        if (!process_) fail("cannot open the process of window 0x%llx (error %lu)", hv(window), GetLastError());
    }
    Settler(const Settler&) = delete;
    Settler& operator=(const Settler&) = delete;
    ~Settler() { CloseHandle(process_); }

    void wait() {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        DWORD start = GetTickCount();
        bool ended = false;
        for (int round = 0; round < 2 && !ended && IsWindowVisible(top_); ++round) {
            RedrawWindow(top_, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
            while (GetUpdateRgn(top_, region, FALSE) > NULLREGION && IsWindowVisible(top_)) {
                if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
                    ended = true;
                    break;
                }
                if (GetTickCount() - start > g_timeout_ms) {
                    DeleteObject(region);
                    fail("process %lu did not handle its queued input within %lu ms", pid_, g_timeout_ms);
                }
                Sleep(1);
            }
        }
        DeleteObject(region);
        DWORD_PTR result = 0;
        if (!ended && IsWindow(top_) &&
            !SendMessageTimeoutA(top_, WM_NULL, 0, 0, SMTO_NORMAL, g_timeout_ms, &result) && IsWindow(top_))
            fail("window 0x%llx did not answer within %lu ms", hv(top_), g_timeout_ms);
    }

private:
    HWND top_;
    DWORD pid_;
    HANDLE process_ = nullptr;
};

// Sends the events and returns once the thread of TARGET has handled them.
void deliver(std::vector<INPUT>& inputs, HWND target) {
    Settler settler(target);
    UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent != inputs.size())
        fail("SendInput sent %u of %zu events (error %lu)", sent, inputs.size(), GetLastError());
    settler.wait();
}

// Keys go to the foreground window's thread. A window of the app that is already in front
// (a dialog or message box) stays there, as it would for a person at the keyboard.
HWND bring_to_front(HWND main) {
    DWORD pid = pid_of(main);
    DWORD start = GetTickCount();
    for (;;) {
        HWND front = GetForegroundWindow();
        if (front && pid_of(front) == pid) return front;
        SetForegroundWindow(main);
        if (GetTickCount() - start > kForegroundTimeoutMs)
            fail("window 0x%llx did not come to the foreground within %lu ms (foreground: 0x%llx '%s')",
                 hv(main), kForegroundTimeoutMs, hv(front), front ? class_of(front).c_str() : "");
        Sleep(kPollMs);
    }
}

INPUT mouse_input(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return input;
}

// A left click at a screen point, as the window under it receives it. Prints the point and
// what was hit.
void click_at(POINT point) {
    HWND hit = WindowFromPoint(point);
    if (!hit) fail("no window at %ld,%ld", point.x, point.y);
    int hit_id = GetWindowLongPtrA(hit, GWL_STYLE) & WS_CHILD ? GetDlgCtrlID(hit) : 0;
    std::string hit_class = class_of(hit);
    if (!SetCursorPos(point.x, point.y)) fail("SetCursorPos failed (error %lu)", GetLastError());
    POINT now;
    if (!GetCursorPos(&now) || now.x != point.x || now.y != point.y)
        fail("the cursor went to %ld,%ld instead of %ld,%ld", now.x, now.y, point.x, point.y);
    std::vector<INPUT> inputs{mouse_input(MOUSEEVENTF_LEFTDOWN), mouse_input(MOUSEEVENTF_LEFTUP)};
    deliver(inputs, hit);
    std::printf("x=%ld\ny=%ld\nhit=0x%llx\nhit_id=%d\nhit_class=%s\n", point.x, point.y, hv(hit), hit_id,
                hit_class.c_str());
}

POINT centre_on_screen(HWND window, const RECT& client_rect) {
    POINT point{(client_rect.left + client_rect.right) / 2, (client_rect.top + client_rect.bottom) / 2};
    MapWindowPoints(window, nullptr, &point, 1);
    return point;
}

void click_window(HWND main, HWND target) {
    bring_to_front(main);
    RECT rect;
    GetClientRect(target, &rect);
    click_at(centre_on_screen(target, rect));
}

struct KeyName {
    const char* name;
    WORD vk;
};

const KeyName kKeys[] = {
    {"tab", VK_TAB},       {"enter", VK_RETURN}, {"return", VK_RETURN}, {"esc", VK_ESCAPE},
    {"escape", VK_ESCAPE}, {"space", VK_SPACE},  {"backspace", VK_BACK}, {"delete", VK_DELETE},
    {"del", VK_DELETE},    {"insert", VK_INSERT}, {"home", VK_HOME},    {"end", VK_END},
    {"pgup", VK_PRIOR},    {"pgdn", VK_NEXT},    {"left", VK_LEFT},     {"right", VK_RIGHT},
    {"up", VK_UP},         {"down", VK_DOWN},    {"ctrl", VK_CONTROL},  {"shift", VK_SHIFT},
    {"alt", VK_MENU},      {"apps", VK_APPS},
};

bool extended(WORD vk) {
    switch (vk) {
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_APPS:
        return true;
    default:
        return false;
    }
}

INPUT key_input(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0u) | (extended(vk) ? KEYEVENTF_EXTENDEDKEY : 0u);
    return input;
}

// The virtual key and modifier mask (1 shift, 2 ctrl, 4 alt) of one typed character.
bool char_key(char c, WORD* vk, int* modifiers) {
    SHORT scan = VkKeyScanA(c);
    if (scan == -1) return false;
    *vk = static_cast<WORD>(scan & 0xff);
    *modifiers = (scan >> 8) & 0xff;
    return true;
}

void press(std::vector<INPUT>& out, WORD vk, int modifiers) {
    const WORD mods[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    for (int i = 0; i < 3; ++i)
        if (modifiers & (1 << i)) out.push_back(key_input(mods[i], false));
    out.push_back(key_input(vk, false));
    out.push_back(key_input(vk, true));
    for (int i = 2; i >= 0; --i)
        if (modifiers & (1 << i)) out.push_back(key_input(mods[i], true));
}

WORD named_key(const std::string& name) {
    for (const auto& key : kKeys)
        if (name == key.name) return key.vk;
    if (name.size() >= 2 && name[0] == 'f') {
        char* end = nullptr;
        long n = std::strtol(name.c_str() + 1, &end, 10);
        if (!*end && n >= 1 && n <= 24) return static_cast<WORD>(VK_F1 + n - 1);
    }
    if (name.rfind("vk:", 0) == 0) {
        long long n = number(name.c_str() + 3, "virtual key");
        if (n < 1 || n > 254) fail("virtual key out of range: %s", name.c_str());
        return static_cast<WORD>(n);
    }
    if (name.size() == 1) {
        char c = name[0];
        if (c >= 'a' && c <= 'z') return static_cast<WORD>(c - 'a' + 'A');
        if (c >= '0' && c <= '9') return static_cast<WORD>(c);
        WORD vk;
        int modifiers;
        if (char_key(c, &vk, &modifiers) && modifiers == 0) return vk;
    }
    fail("unknown key '%s'", name.c_str());
}

// "ctrl+shift+tab", "f4", "a", "text:abc" -> key events.
void parse_key_name(const std::string& key_name, std::vector<INPUT>& out) {
    if (key_name.rfind("text:", 0) == 0) {
        for (char c : key_name.substr(5)) {
            WORD vk;
            int modifiers;
            if (!char_key(c, &vk, &modifiers)) fail("cannot type character 0x%02x", static_cast<unsigned char>(c));
            press(out, vk, modifiers);
        }
        return;
    }
    int modifiers = 0;
    std::string rest = key_name;
    for (;;) {
        size_t plus = rest.find('+', 1);
        if (plus == std::string::npos) break;
        std::string modifier = rest.substr(0, plus);
        if (modifier == "shift") modifiers |= 1;
        else if (modifier == "ctrl") modifiers |= 2;
        else if (modifier == "alt") modifiers |= 4;
        else fail("unknown modifier '%s' in '%s'", modifier.c_str(), key_name.c_str());
        rest = rest.substr(plus + 1);
    }
    press(out, named_key(rest), modifiers);
}

HWND wait_window(const char* window_class, DWORD timeout, bool visible) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(window_class, nullptr);
        if (window && (!visible || IsWindowVisible(window))) return window;
        if (GetTickCount() - start > timeout)
            fail("no %swindow of class '%s' within %lu ms", visible ? "visible " : "", window_class, timeout);
        Sleep(kPollMs);
    }
}

// A top-level dialog box whose title is exactly these bytes ("*" matches any title).
HWND find_box(const char* title_hex) {
    bool any = std::strcmp(title_hex, "*") == 0;
    std::string title = any ? std::string() : unhex(title_hex);
    HWND box = nullptr;
    while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr) {
        if (IsWindowVisible(box) && (any || text_of(box) == title)) return box;
    }
    return nullptr;
}

HWND wait_box(const char* title_hex, DWORD timeout) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND box = find_box(title_hex)) return box;
        if (GetTickCount() - start > timeout)
            fail("no message box titled %s within %lu ms", title_hex, timeout);
        Sleep(kPollMs);
    }
}

void print_flags(HWND window) {
    std::printf("style=0x%08lx\nexstyle=0x%08lx\n", static_cast<unsigned long>(GetWindowLongPtrA(window, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
    std::printf("visible=%d\nenabled=%d\n", IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0);
}

#if defined(__x86_64__)
// Runs user32's FUNCTION(window, arg1, arg2, 0) on a new thread inside the window's process
// and returns the low 32 bits of its result. Wine carries neither WM_GETICON nor class data
// across processes; inside the process both work, and icon handles fit in 32 bits.
DWORD call_in_process(HWND window, const char* function, UINT arg1, ULONG_PTR arg2) {
    HMODULE local = GetModuleHandleA("user32.dll");
    auto local_function = reinterpret_cast<uintptr_t>(GetProcAddress(local, function));
    if (!local_function) fail("user32 has no %s", function);
    std::vector<unsigned char> code;
    auto emit = [&code](std::initializer_list<unsigned char> bytes) { code.insert(code.end(), bytes); };
    auto emit64 = [&code](unsigned long long value) {
        for (int i = 0; i < 8; ++i) code.push_back(static_cast<unsigned char>(value >> (8 * i)));
    };
    Remote remote(window, 64, PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION, PAGE_EXECUTE_READWRITE);
    HMODULE modules[512];
    DWORD needed = 0;
    if (!EnumProcessModulesEx(remote.process(), modules, sizeof modules, &needed, LIST_MODULES_ALL))
        fail("cannot list the modules of the window's process (error %lu)", GetLastError());
    uintptr_t remote_user32 = 0;
    for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i) {
        char name[MAX_PATH];
        if (GetModuleBaseNameA(remote.process(), modules[i], name, sizeof name) && lstrcmpiA(name, "user32.dll") == 0)
            remote_user32 = reinterpret_cast<uintptr_t>(modules[i]);
    }
    if (!remote_user32) fail("the window's process has no user32");
    uintptr_t target = remote_user32 + (local_function - reinterpret_cast<uintptr_t>(local));
    emit({0x48, 0x83, 0xEC, 0x28});  // sub rsp, 0x28
    emit({0x48, 0xB9});              // mov rcx, window
    emit64(hv(window));
    emit({0xBA});                    // mov edx, arg1
    for (int i = 0; i < 4; ++i) code.push_back(static_cast<unsigned char>(arg1 >> (8 * i)));
    emit({0x49, 0xB8});              // mov r8, arg2
    emit64(arg2);
    emit({0x45, 0x31, 0xC9});        // xor r9d, r9d
    emit({0x48, 0xB8});              // mov rax, target
    emit64(target);
    emit({0xFF, 0xD0});              // call rax
    emit({0x48, 0x83, 0xC4, 0x28});  // add rsp, 0x28
    emit({0xC3});                    // ret
    remote.write(0, code.data(), code.size());
    FlushInstructionCache(remote.process(), reinterpret_cast<void*>(remote.at(0)), code.size());
    HANDLE thread = CreateRemoteThread(remote.process(), nullptr, 0,
                                       reinterpret_cast<LPTHREAD_START_ROUTINE>(remote.at(0)), nullptr, 0, nullptr);
    if (!thread) fail("cannot start a thread in the window's process (error %lu)", GetLastError());
    DWORD waited = WaitForSingleObject(thread, g_timeout_ms);
    DWORD result = 0;
    BOOL ok = waited == WAIT_OBJECT_0 && GetExitCodeThread(thread, &result);
    CloseHandle(thread);
    if (waited != WAIT_OBJECT_0) remote.abandon();
    if (!ok) fail("%s in the window's process did not finish within %lu ms", function, g_timeout_ms);
    return result;
}

void print_icons(HWND window) {
    std::printf("icon_big=%d\nicon_small=%d\n", call_in_process(window, "SendMessageW", WM_GETICON, ICON_BIG) ? 1 : 0,
                call_in_process(window, "SendMessageW", WM_GETICON, ICON_SMALL) ? 1 : 0);
    std::printf("class_icon=%d\nclass_icon_small=%d\n",
                call_in_process(window, "GetClassLongPtrW", static_cast<UINT>(GCLP_HICON), 0) ? 1 : 0,
                call_in_process(window, "GetClassLongPtrW", static_cast<UINT>(GCLP_HICONSM), 0) ? 1 : 0);
}
#else
void print_icons(HWND) {
    std::printf("icon_big=unsupported\nicon_small=unsupported\nclass_icon=unsupported\nclass_icon_small=unsupported\n");
}
#endif

// --- commands -------------------------------------------------------------------------

void cmd_wait_window(const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2] != "visible")) throw Usage{};
    HWND window = wait_window(args[0].c_str(), ms_arg(args[1].c_str()), args.size() == 3);
    DWORD pid = 0;
    DWORD thread = GetWindowThreadProcessId(window, &pid);
    std::printf("hwnd=0x%llx\npid=%lu\ntid=%lu\nvisible=%d\n", hv(window), pid, thread,
                IsWindowVisible(window) ? 1 : 0);
}

void cmd_window_info(const std::vector<std::string>& args) {
    if (args.size() != 1) throw Usage{};
    HWND main = find_main(args[0].c_str());
    RECT rect;
    GetWindowRect(main, &rect);
    RECT client;
    GetClientRect(main, &client);
    POINT origin{0, 0};
    ClientToScreen(main, &origin);
    std::printf("hwnd=0x%llx\npid=%lu\ntitle=%s\n", hv(main), pid_of(main), hex(text_of(main)).c_str());
    print_rect("rect", rect);
    std::printf("client=%ld,%ld,%ld,%ld\n", origin.x, origin.y, client.right, client.bottom);
    print_flags(main);
    std::printf("iconic=%d\nzoomed=%d\n", IsIconic(main) ? 1 : 0, IsZoomed(main) ? 1 : 0);
    std::printf("screen=%d,%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    print_icons(main);
    std::printf("owner=0x%llx\n", hv(GetWindow(main, GW_OWNER)));
    HWND front = GetForegroundWindow();
    std::printf("foreground=%d\n", front == main ? 1 : 0);
}

void cmd_control_info(const std::vector<std::string>& args) {
    if (args.size() != 2) throw Usage{};
    HWND main = find_main(args[0].c_str());
    int matches = 0;
    HWND control = find_control(main, int_arg(args[1].c_str(), "id"), &matches);
    HWND parent = GetAncestor(control, GA_PARENT);
    RECT rect;
    GetWindowRect(control, &rect);
    RECT screen = rect;
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    std::printf("hwnd=0x%llx\nclass=%s\nparent=%d\nmatches=%d\n", hv(control), class_of(control).c_str(),
                parent_id(control, main), matches);
    print_rect("rect", rect);
    print_rect("screen", screen);
    print_flags(control);
    std::printf("ws_visible=%d\n", GetWindowLongPtrA(control, GWL_STYLE) & WS_VISIBLE ? 1 : 0);
    std::printf("text=%s\n", hex(text_of(control)).c_str());
}

void list_children(HWND parent, HWND main) {
    int z = 0;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++z) {
        std::printf("child id=%d parent=%d z=%d hwnd=0x%llx visible=%d class=%s\n", GetDlgCtrlID(child),
                    parent_id(child, main), z, hv(child), IsWindowVisible(child) ? 1 : 0, class_of(child).c_str());
        list_children(child, main);
    }
}

void cmd_children(const std::vector<std::string>& args) {
    if (args.size() != 1) throw Usage{};
    HWND main = find_main(args[0].c_str());
    list_children(main, main);
}

void cmd_text(const std::vector<std::string>& args) {
    if (args.size() != 2) throw Usage{};
    HWND main = find_main(args[0].c_str());
    int id = int_arg(args[1].c_str(), "id");
    std::printf("text=%s\n", hex(text_of(id == 0 ? main : find_control(main, id))).c_str());
}

void cmd_cursel(const std::vector<std::string>& args) {
    if (args.size() != 1) throw Usage{};
    std::printf("cursel=%d\n", static_cast<int>(send(find_tab(find_main(args[0].c_str())), TCM_GETCURSEL, 0, 0)));
}

void cmd_tab_count(const std::vector<std::string>& args) {
    if (args.size() != 1) throw Usage{};
    std::printf("count=%d\n", tab_count(find_tab(find_main(args[0].c_str()))));
}

void cmd_tab_text(const std::vector<std::string>& args) {
    if (args.size() != 2) throw Usage{};
    HWND tab = find_tab(find_main(args[0].c_str()));
    std::printf("text=%s\n", hex(tab_text(tab, int_arg(args[1].c_str(), "index"))).c_str());
}

void cmd_focus(const std::vector<std::string>& args) {
    if (args.size() != 1) throw Usage{};
    HWND main = find_main(args[0].c_str());
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info))
        fail("GetGUIThreadInfo failed (error %lu)", GetLastError());
    std::printf("active=0x%llx\n", hv(info.hwndActive));
    if (!info.hwndFocus) {
        std::printf("focus=none\n");
        return;
    }
    bool child = (GetWindowLongPtrA(info.hwndFocus, GWL_STYLE) & WS_CHILD) != 0;
    std::printf("focus=0x%llx\nid=%d\nparent=%d\nclass=%s\n", hv(info.hwndFocus),
                child ? GetDlgCtrlID(info.hwndFocus) : 0, child ? parent_id(info.hwndFocus, main) : 0,
                class_of(info.hwndFocus).c_str());
}

void cmd_click_tab(const std::vector<std::string>& args) {
    if (args.size() != 2) throw Usage{};
    HWND main = find_main(args[0].c_str());
    HWND tab = find_tab(main);
    RECT rect = tab_item_rect(tab, int_arg(args[1].c_str(), "index"));
    bring_to_front(main);
    click_at(centre_on_screen(tab, rect));
}

void cmd_click(const std::vector<std::string>& args) {
    if (args.size() != 2) throw Usage{};
    HWND main = find_main(args[0].c_str());
    click_window(main, find_control(main, int_arg(args[1].c_str(), "id")));
}

void cmd_click_at(const std::vector<std::string>& args) {
    if (args.size() != 2) throw Usage{};
    click_at(POINT{int_arg(args[0].c_str(), "x"), int_arg(args[1].c_str(), "y")});
}

void cmd_key(const std::vector<std::string>& args) {
    if (args.size() < 2) throw Usage{};
    HWND main = find_main(args[0].c_str());
    std::vector<INPUT> inputs;
    for (size_t i = 1; i < args.size(); ++i) parse_key_name(args[i], inputs);
    HWND front = bring_to_front(main);
    deliver(inputs, front);
    std::printf("events=%zu\nforeground=0x%llx\n", inputs.size(), hv(front));
}

void cmd_post(const std::vector<std::string>& args, UINT message, WPARAM wparam) {
    if (args.size() != 1) throw Usage{};
    HWND main = find_main(args[0].c_str());
    Settler settler(main);
    if (!PostMessageA(main, message, wparam, 0)) fail("PostMessage failed (error %lu)", GetLastError());
    settler.wait();
    std::printf("posted=1\n");
}

void cmd_msgbox(const std::vector<std::string>& args) {
    if (args.size() < 2 || args.size() > 3) throw Usage{};
    HWND box = wait_box(args[0].c_str(), ms_arg(args[1].c_str()));
    RECT rect;
    GetWindowRect(box, &rect);
    HWND owner = GetWindow(box, GW_OWNER);
    std::printf("hwnd=0x%llx\npid=%lu\ntitle=%s\n", hv(box), pid_of(box), hex(text_of(box)).c_str());
    HWND message = GetDlgItem(box, kMessageTextId);
    std::printf("text=%s\n", message ? hex(text_of(message)).c_str() : "");
    HWND icon = GetDlgItem(box, kMessageIconId);
    std::printf("icon=%d\n", icon && send(icon, STM_GETICON, 0, 0) ? 1 : 0);
    std::printf("owner=0x%llx\n", hv(owner));
    print_rect("rect", rect);
    print_flags(box);
    std::printf("foreground=%d\n", GetForegroundWindow() == box ? 1 : 0);
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiA(class_of(child).c_str(), "Button") != 0) continue;
        std::printf("button id=%d visible=%d enabled=%d text=%s\n", GetDlgCtrlID(child),
                    IsWindowVisible(child) ? 1 : 0, IsWindowEnabled(child) ? 1 : 0, hex(text_of(child)).c_str());
    }
    if (args.size() == 3) {
        HWND main = find_main(args[2].c_str());
        std::printf("main_visible=%d\nmain_enabled=%d\nowner_is_main=%d\n", IsWindowVisible(main) ? 1 : 0,
                    IsWindowEnabled(main) ? 1 : 0, owner == main ? 1 : 0);
    }
}

void cmd_msgbox_dismiss(const std::vector<std::string>& args) {
    if (args.size() != 2) throw Usage{};
    HWND box = wait_box(args[0].c_str(), g_timeout_ms);
    const std::string& how = args[1];
    if (how == "ok" || how.rfind("button:", 0) == 0) {
        int id = how == "ok" ? IDOK : int_arg(how.c_str() + 7, "button id");
        HWND button = GetDlgItem(box, id);
        if (!button) fail("the message box has no button %d", id);
        click_window(box, button);
    } else if (how == "esc") {
        std::vector<INPUT> inputs;
        press(inputs, VK_ESCAPE, 0);
        deliver(inputs, bring_to_front(box));
    } else if (how == "close") {
        if (!PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0)) fail("PostMessage failed (error %lu)", GetLastError());
    } else {
        throw Usage{};
    }
    DWORD start = GetTickCount();
    while (IsWindow(box)) {
        if (GetTickCount() - start > g_timeout_ms) fail("the message box is still open after '%s'", how.c_str());
        Sleep(kPollMs);
    }
    std::printf("dismissed=1\n");
}

// One entry of the system handle list (SystemExtendedHandleInformation).
struct SystemHandle {
    void* object;
    ULONG_PTR pid;
    ULONG_PTR handle;
    ULONG access;
    USHORT creator_back_trace;
    USHORT object_type;
    ULONG attributes;
    ULONG reserved;
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
using QueryInformationProcess = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);

FARPROC ntdll(const char* name) {
    FARPROC function = GetProcAddress(GetModuleHandleA("ntdll.dll"), name);
    if (!function) fail("ntdll has no %s", name);
    return function;
}

// GetProcessHandleCount says 0 under Wine; the system handle list has the real entries.
unsigned long kernel_handles(DWORD pid) {
    constexpr ULONG kSystemExtendedHandleInformation = 64;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(ntdll("NtQuerySystemInformation")));
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        LONG status = query(kSystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                            &needed);
        if (status == kInfoLengthMismatch && buffer.size() < (64u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0) fail("NtQuerySystemInformation failed (status 0x%lx)", static_cast<unsigned long>(status));
        break;
    }
    ULONG_PTR count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    size_t header = 2 * sizeof(ULONG_PTR);
    if (count > (buffer.size() - header) / sizeof(SystemHandle)) fail("the system handle list is truncated");
    unsigned long mine = 0;
    for (ULONG_PTR i = 0; i < count; ++i) {
        SystemHandle entry;
        std::memcpy(&entry, buffer.data() + header + i * sizeof entry, sizeof entry);
        if (entry.pid == pid) ++mine;
    }
    return mine;
}

// Committed private memory, region by region: Wine leaves PrivateUsage at 0.
unsigned long long private_committed(HANDLE process) {
    unsigned long long total = 0;
    MEMORY_BASIC_INFORMATION info;
    const char* address = nullptr;
    while (VirtualQueryEx(process, address, &info, sizeof info) == sizeof info) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

struct WindowCount {
    DWORD pid;
    unsigned long count;
};

BOOL CALLBACK count_child(HWND window, LPARAM param) {
    auto* windows = reinterpret_cast<WindowCount*>(param);
    if (pid_of(window) == windows->pid) ++windows->count;
    return TRUE;
}

BOOL CALLBACK count_top(HWND window, LPARAM param) {
    count_child(window, param);
    EnumChildWindows(window, count_child, param);
    return TRUE;
}

#if defined(__x86_64__)
// Live entries in the process's GDI handle table (stock objects included). GetGuiResources
// says 0 under Wine, where the table, like on Windows, hangs off the process environment
// block; its entries are 24 bytes with the object type at offset 14.
long long gdi_table_entries(HANDLE process) {
    constexpr size_t kTableOffset = 0xF8;
    constexpr size_t kEntries = 0x10000;
    constexpr size_t kEntrySize = 24;
    constexpr size_t kTypeOffset = 14;
    struct BasicInformation {
        LONG exit_status;
        void* peb;
        ULONG_PTR affinity;
        LONG base_priority;
        ULONG_PTR pid;
        ULONG_PTR parent_pid;
    } basic{};
    auto query = reinterpret_cast<QueryInformationProcess>(
        reinterpret_cast<void*>(ntdll("NtQueryInformationProcess")));
    if (query(process, 0, &basic, sizeof basic, nullptr) != 0 || !basic.peb) return -1;
    void* table = nullptr;
    SIZE_T done = 0;
    if (!ReadProcessMemory(process, static_cast<char*>(basic.peb) + kTableOffset, &table, sizeof table, &done) ||
        !table)
        return -1;
    std::vector<unsigned char> entries(kEntries * kEntrySize);
    if (!ReadProcessMemory(process, table, entries.data(), entries.size(), &done) || done != entries.size())
        return -1;
    long long live = 0;
    for (size_t i = 0; i < kEntries; ++i)
        if (entries[i * kEntrySize + kTypeOffset]) ++live;
    return live;
}
#endif

void cmd_stats(const std::vector<std::string>& args) {
    if (args.size() != 1) throw Usage{};
    long long number_arg = number(args[0].c_str(), "pid");
    if (number_arg <= 0 || number_arg > UINT32_MAX) fail("pid out of range: %s", args[0].c_str());
    auto pid = static_cast<DWORD>(number_arg);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) fail("cannot open process %lu (error %lu)", pid, GetLastError());
    DWORD handles = 0;
    GetProcessHandleCount(process, &handles);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        CloseHandle(process);
        fail("GetProcessMemoryInfo failed for process %lu (error %lu)", pid, GetLastError());
    }
    WindowCount windows{pid, 0};
    EnumWindows(count_top, reinterpret_cast<LPARAM>(&windows));
    std::printf("gdi=%lu\nuser=%lu\nhandles=%lu\n", GetGuiResources(process, GR_GDIOBJECTS),
                GetGuiResources(process, GR_USEROBJECTS), handles);
#if defined(__x86_64__)
    std::printf("gdi_table=%lld\n", gdi_table_entries(process));
#endif
    std::printf("windows=%lu\nkernel_handles=%lu\n", windows.count, kernel_handles(pid));
    std::printf("private_bytes=%llu\nprivate_committed=%llu\nworking_set=%llu\n",
                static_cast<unsigned long long>(memory.PrivateUsage), private_committed(process),
                static_cast<unsigned long long>(memory.WorkingSetSize));
    CloseHandle(process);
}

void cmd_idle(const std::vector<std::string>& args) {
    if (args.size() != 1) throw Usage{};
    Settler(find_main(args[0].c_str())).wait();
    std::printf("idle=1\n");
}

void cmd_terminate(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) throw Usage{};
    long long pid = number(args[0].c_str(), "pid");
    long long code = args.size() == 2 ? number(args[1].c_str(), "exit code") : 1;
    if (pid <= 0 || pid > UINT32_MAX) fail("pid out of range: %s", args[0].c_str());
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process) fail("cannot open process %lld (error %lu)", pid, GetLastError());
    BOOL ok = TerminateProcess(process, static_cast<UINT>(code));
    DWORD wait = ok ? WaitForSingleObject(process, g_timeout_ms) : WAIT_FAILED;
    CloseHandle(process);
    if (!ok) fail("TerminateProcess failed for process %lld", pid);
    if (wait != WAIT_OBJECT_0) fail("process %lld did not end within %lu ms", pid, g_timeout_ms);
    std::printf("terminated=1\n");
}

const char kUsage[] =
    "usage: drive [--timeout-ms N] COMMAND ARGS...\n"
    "  wait-window CLASS TIMEOUT_MS [visible]   window-info CLASS\n"
    "  control-info CLASS ID    children CLASS    text CLASS ID (0: the window itself)\n"
    "  cursel CLASS    tab-count CLASS    tab-text CLASS INDEX    focus CLASS\n"
    "  click-tab CLASS INDEX    click CLASS ID    click-at X Y    key CLASS KEY...\n"
    "  sysmenu-close CLASS    close CLASS    msgbox TITLE_HEX|* TIMEOUT_MS [CLASS]\n"
    "  msgbox-dismiss TITLE_HEX|* ok|esc|close|button:ID    stats PID\n"
    "  sleep-until-idle CLASS    terminate PID [EXIT_CODE]\n";

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    int first = 1;
    if (std::strcmp(argv[1], "--timeout-ms") == 0 && argc > 3) {
        char* end = nullptr;
        unsigned long value = std::strtoul(argv[2], &end, 10);
        if (*end || value == 0 || value > 600000) {
            std::fprintf(stderr, "drive: bad --timeout-ms '%s'\n", argv[2]);
            return 2;
        }
        g_timeout_ms = static_cast<DWORD>(value);
        first = 3;
    }
    std::string command = argv[first];
    std::vector<std::string> args(argv + first + 1, argv + argc);
    try {
        if (command == "wait-window") cmd_wait_window(args);
        else if (command == "window-info") cmd_window_info(args);
        else if (command == "control-info") cmd_control_info(args);
        else if (command == "children") cmd_children(args);
        else if (command == "text") cmd_text(args);
        else if (command == "cursel") cmd_cursel(args);
        else if (command == "tab-count") cmd_tab_count(args);
        else if (command == "tab-text") cmd_tab_text(args);
        else if (command == "focus") cmd_focus(args);
        else if (command == "click-tab") cmd_click_tab(args);
        else if (command == "click") cmd_click(args);
        else if (command == "click-at") cmd_click_at(args);
        else if (command == "key") cmd_key(args);
        else if (command == "sysmenu-close") cmd_post(args, WM_SYSCOMMAND, SC_CLOSE);
        else if (command == "close") cmd_post(args, WM_CLOSE, 0);
        else if (command == "msgbox") cmd_msgbox(args);
        else if (command == "msgbox-dismiss") cmd_msgbox_dismiss(args);
        else if (command == "stats") cmd_stats(args);
        else if (command == "sleep-until-idle") cmd_idle(args);
        else if (command == "terminate") cmd_terminate(args);
        else throw Usage{};
    } catch (const Usage&) {
        std::fprintf(stderr, "drive: bad arguments for '%s'\n%s", command.c_str(), kUsage);
        return 2;
    } catch (const Failure& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "drive %s: %s\n", command.c_str(), failure.why.c_str());
        return 1;
    }
    std::fflush(stdout);
    return 0;
}
