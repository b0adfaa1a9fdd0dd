#include "ClassProfiler.h"

#include <windows.h>

#include "GeneralWin32ExAPI.h"
#include "winsupport/ansi.h"

namespace setup {
namespace {

DeclaredFunction<decltype(&::GetPrivateProfileIntA)> GetPrivateProfileIntA("KERNEL32",
                                                                           "GetPrivateProfileIntA");
DeclaredFunction<decltype(&::GetPrivateProfileStringA)> GetPrivateProfileStringA("KERNEL32",
                                                                                 "GetPrivateProfileStringA");
DeclaredFunction<decltype(&::WritePrivateProfileStringA)>
    WritePrivateProfileStringA("KERNEL32", "WritePrivateProfileStringA");

using quorin::win::ToAnsi;

} // namespace

int32_t ClassProfiler::ReadProfileNums(const quorin::Text& Section, const quorin::Text& Key,
                                       int32_t Default) {
    const std::string section = ToAnsi(Section), key = ToAnsi(Key), path = ToAnsi(Path);
    return static_cast<int32_t>(GetPrivateProfileIntA(section.c_str(), key.c_str(), Default, path.c_str()));
}

quorin::Text ClassProfiler::ReadProfileChars(const quorin::Text& Section, const quorin::Text& Key,
                                             const quorin::Text& Default) {
    const std::string section = ToAnsi(Section), key = ToAnsi(Key), def = ToAnsi(Default),
                      path = ToAnsi(Path);
    char buffer[kBufferSize] = {};
    // The count returned is not needed: the value ends at the buffer's first NUL.
    GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer, kBufferSize, path.c_str());
    return quorin::win::FromAnsiBuffer(buffer, kBufferSize);
}

bool ClassProfiler::ReadProfileBool(const quorin::Text& Section, const quorin::Text& Key, bool Default) {
    return quorin::ParseYesNo(ReadProfileChars(Section, Key, Default ? u"YES" : u"NO"));
}

void ClassProfiler::WriteProfile(const quorin::Text& Section, const quorin::Text& Key,
                                 const quorin::Variant& DataBase) {
    // Converted before anything is written, so a value without a text form writes nothing.
    const quorin::Text text = DataBase.Kind() == quorin::VariantKind::Boolean
                                  ? (DataBase.BoolValue() ? u"YES" : u"NO")
                                  : quorin::ToText(DataBase);
    const std::string section = ToAnsi(Section), key = ToAnsi(Key), value = ToAnsi(text), path = ToAnsi(Path);
    WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str());
}

void ClassProfiler::ClearProfileSection(const quorin::Text& Section) {
    const std::string section = ToAnsi(Section), path = ToAnsi(Path);
    WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, path.c_str());
}

void ClassProfiler::ClearProfileKey(const quorin::Text& Section, const quorin::Text& Key) {
    const std::string section = ToAnsi(Section), key = ToAnsi(Key), path = ToAnsi(Path);
    WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, path.c_str());
}

} // namespace setup
