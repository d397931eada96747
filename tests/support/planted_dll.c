/* A stand-in for a hostile Res.dll: a library with code. Loaded for real, its entry
   point creates the file named by KESTRAVA_PLANTED_MARKER, so a test can tell whether
   any of its code ran. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH];
        DWORD length = GetEnvironmentVariableA("KESTRAVA_PLANTED_MARKER", path, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            if (marker != INVALID_HANDLE_VALUE)
                CloseHandle(marker);
        }
    }
    return TRUE;
}
