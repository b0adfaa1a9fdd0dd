// A library the test component imports, shipped only beside the component: loading the
// component succeeds only when its own folder is searched for its imports.
#include <windows.h>

extern "C" __declspec(dllexport) LONG TestDependencyValue() {
    return 4711;
}
