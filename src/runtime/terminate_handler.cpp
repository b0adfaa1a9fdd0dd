// The C++ runtime's default terminate handler names the type of the uncaught exception in
// readable form, and the demangler that takes is the largest single piece of the runtime a
// statically linked deliverable would carry (about 46 KiB). Defining the handler here keeps the
// runtime's own, and the demangler with it, out of the link. It reports the same facts, giving
// the type's name as the compiler encodes it.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <typeinfo>

#include <cxxabi.h>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    static bool terminating = false;
    if (terminating) {
        std::fputs("terminate called recursively\n", stderr);
        std::abort();
    }
    terminating = true;
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (type == nullptr) {
        std::fputs("terminate called without an active exception\n", stderr);
        std::abort();
    }
    const char* name = type->name();
    std::fputs("terminate called after throwing an instance of '", stderr);
    std::fputs(name[0] == '*' ? name + 1 : name, stderr);
    std::fputs("'\n", stderr);
    try {
        throw;
    } catch (const std::exception& e) {
        std::fputs("  what():  ", stderr);
        std::fputs(e.what(), stderr);
        std::fputs("\n", stderr);
    } catch (...) {
    }
    std::abort();
}

} // namespace __gnu_cxx
