// Forced into every C++ source of the Windows tree (see the top-level CMakeLists.txt).
//
// The C++ runtime declares its std::string and std::wstring instances extern, so a program calls
// the runtime's prebuilt copies instead of compiling the members it uses. In a statically linked
// deliverable that costs a whole runtime object per string type (about 33 KiB each), since the
// linker keeps every function an object's unwind tables describe. The runtime's own switch for
// this, the value -1, turns those declarations off for the string types alone, as its checked
// builds do: each program then compiles just the members it calls.
#pragma once

#include <bits/c++config.h>

#undef _GLIBCXX_EXTERN_TEMPLATE
#define _GLIBCXX_EXTERN_TEMPLATE -1
