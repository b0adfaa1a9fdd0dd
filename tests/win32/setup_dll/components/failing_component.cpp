// A self-registering library whose entry points report failure, as a component does when it
// cannot write its keys.
#include <windows.h>
#include <olectl.h>

extern "C" HRESULT WINAPI DllRegisterServer() {
    return SELFREG_E_CLASS;
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    return SELFREG_E_CLASS;
}
