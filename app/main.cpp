#include <windows.h>

#include "app/shell.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    app::ProcessObjects process;
    const int exit_code = app::program_entry();
    app::run_exit_cleanup();
    return exit_code;
}
