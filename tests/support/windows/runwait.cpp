// Starts a program, prints its process id at once, waits for it and prints its full 32-bit
// exit code: wine's own exit status keeps only the low 8 bits.
//
//   runwait.exe PROGRAM [ARGS...]   ->   pid=N  then  exit=U   (U unsigned decimal)
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// The rest of our own command line after the program name, quoted exactly as we got it, so
// the child sees the same arguments the caller wrote.
const char* after_own_name(const char* line) {
    if (*line == '"') {
        ++line;
        while (*line && *line != '"') ++line;
        if (*line == '"') ++line;
    } else {
        while (*line && *line != ' ' && *line != '\t') ++line;
    }
    while (*line == ' ' || *line == '\t') ++line;
    return line;
}

}  // namespace

int main() {
    std::string command = after_own_name(GetCommandLineA());
    if (command.empty()) {
        std::fputs("usage: runwait PROGRAM [ARGS...]\n", stderr);
        return 2;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &child)) {
        std::fprintf(stderr, "runwait: cannot start %s (error %lu)\n", command.c_str(), GetLastError());
        return 1;
    }
    CloseHandle(child.hThread);
    std::printf("pid=%lu\n", child.dwProcessId);
    std::fflush(stdout);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 0;
    if (!GetExitCodeProcess(child.hProcess, &code)) {
        std::fprintf(stderr, "runwait: no exit code (error %lu)\n", GetLastError());
        return 1;
    }
    CloseHandle(child.hProcess);
    std::printf("exit=%lu\n", code);
    std::fflush(stdout);
    return 0;
}
