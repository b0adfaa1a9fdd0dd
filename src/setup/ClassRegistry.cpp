#include "ClassRegistry.h"

#include <string>

#include "GeneralWin32ExAPI.h"

#include "core/text_helpers.h"
#include "winsupport/ansi.h"

using quorin::Text;
using quorin::Variant;
using quorin::win::ToAnsi;

namespace setup {

void ClassRegistry::OpenSetting(HKEY HKEY_, const Text& Section) {
    // A key that cannot be opened leaves no handle; the result is not examined otherwise.
    ::RegOpenKeyExA(HKEY_, ToAnsi(Section).c_str(), 0, kAccess, handle_.put());
    RootKey_ = HKEY_;
    SubKeyPath_ = Section;
}

void ClassRegistry::CloseSetting() {
    handle_.reset();
}

Variant ClassRegistry::ReadSetting(const Text& Key, int32_t& DataBaseType, const Variant& Default) {
    const bool hasDefault = !Default.IsOmitted();
    const std::string key = ToAnsi(Key);
    // A successful query tells the caller the type the value is really stored in. (Some
    // platforms clear the type on a failed query; the caller's code then stays as it was.)
    auto query = [&](BYTE* buffer, DWORD size) {
        DWORD type = static_cast<DWORD>(DataBaseType);
        if (::RegQueryValueExA(handle_.get(), key.c_str(), nullptr, &type, buffer, &size) != ERROR_SUCCESS)
            return false;
        DataBaseType = static_cast<int32_t>(type);
        return true;
    };
    switch (DataBaseType) {
    case kText: {
        std::string buffer(kTextBufferSize, '\0');
        if (query(reinterpret_cast<BYTE*>(buffer.data()), kTextBufferSize))
            return Variant(quorin::win::FromAnsiBuffer(buffer.data(), buffer.size()));
        return hasDefault ? Variant(quorin::ToText(Default)) : Variant(Text());
    }
    case kYesNo: {
        std::string buffer(kTextBufferSize, '\0');
        if (query(reinterpret_cast<BYTE*>(buffer.data()), kTextBufferSize)) {
            const Text text = quorin::win::FromAnsiBuffer(buffer.data(), buffer.size());
            if (quorin::EqualsNoCase(text, u"YES"))
                return Variant(true);
            if (quorin::EqualsNoCase(text, u"NO"))
                return Variant(false);
            return Variant();
        }
        // Default when given, else an empty value, which converts to false.
        return Variant(quorin::ToBool(ValueIf(hasDefault, Default)));
    }
    case kNumber: {
        int32_t number = 0;
        if (query(reinterpret_cast<BYTE*>(&number), sizeof number))
            return Variant(number);
        return hasDefault ? Variant(quorin::ToLong(Default)) : Variant(int32_t{0});
    }
    default:
        return Variant();
    }
}

void ClassRegistry::WriteSetting(const Text& Key, int32_t DataBaseType, const Variant& DataBase) {
    // Reopens the remembered key for every code, so the key exists afterwards. The key held
    // before is closed rather than leaked.
    SECURITY_ATTRIBUTES security{};
    security.nLength = 0;
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = FALSE;
    DWORD disposition = 0;
    HKEY created = nullptr;
    ::RegCreateKeyExA(RootKey_, ToAnsi(SubKeyPath_).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess,
                      &security, &created, &disposition);
    handle_.reset(created);

    const std::string key = ToAnsi(Key);
    switch (DataBaseType) {
    case kText: {
        // The byte count is kept whole: texts of 32768 bytes and more are written in full.
        const std::string data = ToAnsi(quorin::ToText(DataBase));
        if (data.empty())
            return;
        ::RegSetValueExA(handle_.get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>(data.size() + 1));
        return;
    }
    case kYesNo: {
        const bool yes = quorin::ToBool(DataBase);
        const char* data = yes ? "YES" : "NO";
        ::RegSetValueExA(handle_.get(), key.c_str(), 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(data),
                         yes ? 4 : 3);
        return;
    }
    case kNumber: {
        if (!quorin::IsNumeric(DataBase))
            return;
        const int32_t number = quorin::ToLong(DataBase);
        ::RegSetValueExA(handle_.get(), key.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                         sizeof number);
        return;
    }
    default:
        return;
    }
}

void ClassRegistry::ClearSetting(const Text& Section, const Text& Key) {
    if (!Key.empty())
        ::RegDeleteValueA(handle_.get(), ToAnsi(Key).c_str());
    else if (!Section.empty())
        ::RegDeleteKeyA(handle_.get(), ToAnsi(Section).c_str());
}

} // namespace setup
