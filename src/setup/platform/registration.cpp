#include "setup/platform/registration.h"

#include "installer/procedures.h"
#include "setup/platform/routines.h"
#include "win/ansi.h"

namespace setup {
namespace {

template <typename ServerFn>
bool SelfRegister(const quorin::Text& path, const char16_t* programSwitch, DeclaredFunction<ServerFn>& server) {
    try {
        switch (quorin::SelfRegistrationOf(path)) {
        case quorin::SelfRegistration::Program:
            RunAndWaitIdle(QuotedIfBlank(path) + u" " + programSwitch, SW_HIDE);
            return true;
        case quorin::SelfRegistration::Library: {
            const std::string ansi = quorin::win::ToAnsi(path);
            server(ansi.c_str());
            return IsOK() != 0;
        }
        case quorin::SelfRegistration::None:
            break;
        }
    } catch (...) {
        // Any error ends the routine: the component is not registered.
    }
    return false;
}

} // namespace

bool RegisterComponent(const quorin::Text& path) {
    return SelfRegister(path, u"/RegServer", RegisterServer);
}

bool UnregisterComponent(const quorin::Text& path) {
    return SelfRegister(path, u"/UnRegServer", UnregisterServer);
}

} // namespace setup
