#include "setup/platform/profile_file.h"

#include <windows.h>

#include "win/ansi.h"
#include "win/module_info.h"

namespace setup {
namespace {

quorin::win::DeclaredFunction<decltype(&::GetPrivateProfileIntA)> GetPrivateProfileIntA("KERNEL32",
                                                                                        "GetPrivateProfileIntA");
quorin::win::DeclaredFunction<decltype(&::GetPrivateProfileStringA)>
    GetPrivateProfileStringA("KERNEL32", "GetPrivateProfileStringA");
quorin::win::DeclaredFunction<decltype(&::WritePrivateProfileStringA)>
    WritePrivateProfileStringA("KERNEL32", "WritePrivateProfileStringA");

using quorin::win::ToAnsi;

} // namespace

int32_t ProfileFile::ReadNumber(const quorin::Text& section, const quorin::Text& key, int32_t fallback) {
    const std::string s = ToAnsi(section), k = ToAnsi(key), p = ToAnsi(path);
    return static_cast<int32_t>(GetPrivateProfileIntA(s.c_str(), k.c_str(), fallback, p.c_str()));
}

quorin::Text ProfileFile::ReadText(const quorin::Text& section, const quorin::Text& key,
                                   const quorin::Text& fallback) {
    const std::string s = ToAnsi(section), k = ToAnsi(key), f = ToAnsi(fallback), p = ToAnsi(path);
    char buffer[kBufferSize] = {};
    // The count returned is not needed: the value ends at the buffer's first NUL.
    GetPrivateProfileStringA(s.c_str(), k.c_str(), f.c_str(), buffer, kBufferSize, p.c_str());
    return quorin::win::FromAnsiBuffer(buffer, kBufferSize);
}

bool ProfileFile::ReadYesNo(const quorin::Text& section, const quorin::Text& key, bool fallback) {
    return quorin::ParseYesNo(ReadText(section, key, fallback ? u"YES" : u"NO"));
}

void ProfileFile::Write(const quorin::Text& section, const quorin::Text& key, const quorin::Variant& value) {
    // Converted before anything is written, so a value without a text form writes nothing.
    const quorin::Text text = value.Kind() == quorin::VariantKind::Boolean ? (value.BoolValue() ? u"YES" : u"NO")
                                                                            : quorin::ToText(value);
    const std::string s = ToAnsi(section), k = ToAnsi(key), v = ToAnsi(text), p = ToAnsi(path);
    WritePrivateProfileStringA(s.c_str(), k.c_str(), v.c_str(), p.c_str());
}

void ProfileFile::ClearSection(const quorin::Text& section) {
    const std::string s = ToAnsi(section), p = ToAnsi(path);
    WritePrivateProfileStringA(s.c_str(), nullptr, nullptr, p.c_str());
}

void ProfileFile::ClearKey(const quorin::Text& section, const quorin::Text& key) {
    const std::string s = ToAnsi(section), k = ToAnsi(key), p = ToAnsi(path);
    WritePrivateProfileStringA(s.c_str(), k.c_str(), nullptr, p.c_str());
}

} // namespace setup
