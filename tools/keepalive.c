/* Keeps Wine warm for a test session. A GUI process makes Wine start its desktop process
   (explorer.exe) here, with this process's silenced output, rather than in the first test,
   whose output pipe it would inherit and hold open for seconds after the test ends; waiting
   forever keeps wineserver and the services from exiting between tests. */
#include <windows.h>

int main(void)
{
    HWND window = CreateWindowExA(0, "STATIC", "keepalive", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    MSG message;
    while (window != NULL && GetMessageA(&message, NULL, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    Sleep(INFINITE);
    return 0;
}
