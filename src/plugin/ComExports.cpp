// The standard exports of an in-process COM server that offers no classes.
#include <windows.h>

#include "framework/Application.h"

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID, REFIID, LPVOID* object) {
    if (object) *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT __stdcall DllCanUnloadNow() { return exl::Application::Instance().CanUnloadNow(); }

extern "C" HRESULT __stdcall DllRegisterServer() { return S_OK; }
