// A program that "registers" itself the way self-registering programs do when started with a
// switch: it records its command line under
// HKEY_CURRENT_USER\Software\Quorin Test Components\<own file name> and ends.
#include <windows.h>

#include <cstring>

int main() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 1;
    const char* name = std::strrchr(path, '\\');
    name = name ? name + 1 : path;
    char key[MAX_PATH + 64] = "Software\\Quorin Test Components\\";
    std::strcat(key, name);
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return 1;
    const char* commandLine = GetCommandLineA();
    RegSetValueExA(h, "CommandLine", 0, REG_SZ, reinterpret_cast<const BYTE*>(commandLine),
                   static_cast<DWORD>(std::strlen(commandLine) + 1));
    RegCloseKey(h);
    return 0;
}
