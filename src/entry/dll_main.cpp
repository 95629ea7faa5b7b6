// The DLL's start-up handler: keeps the module loaded once a host has loaded it.
#include "platform/win32_api.h"

// The statically linked C++ runtime's thread-local storage takes a TLS slot and memory
// per load and never gives them back, so the module stays until the process ends.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(instance), &pinned);
  }
  return TRUE;
}
