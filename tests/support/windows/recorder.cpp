// Stands in for the web browser: appends its command line and a newline to the file named by
// FAKE_BROWSER_LOG, so a test can see which URL the program handed to the shell.
#include <windows.h>

#include <string>

int main() {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("FAKE_BROWSER_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path) return 1;
    HANDLE log = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 1;
    std::string line = GetCommandLineA();
    line += '\n';
    DWORD written = 0;
    BOOL ok = WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
    return ok && written == line.size() ? 0 : 1;
}
