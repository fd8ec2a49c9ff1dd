// The module's entry from the loader; everything else lives elsewhere.
#include <windows.h>

#include "framework/Application.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        try {
            exl::Application& app = exl::Application::Instance();
            app.Initialise(instance);
            return app.InitInstance() ? TRUE : FALSE;
        } catch (...) {
            return FALSE;
        }
    }
    return TRUE;
}
