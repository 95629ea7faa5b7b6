// The DLL's start-up handler: the library keeps no global state to set up.
#include "platform/win32_api.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
