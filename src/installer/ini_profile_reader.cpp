// IniProfileReader (declared in setup_script.h beside the reader interface it implements) in an
// object of its own: Setup reads its script through the platform's profile functions, and this
// keeps the portable INI reader and the code page 932 tables out of its link.
#include "base/cp932.h"
#include "installer/setup_script.h"

namespace quorin {

Text IniProfileReader::ReadProfileChars(const Text& Section, const Text& Key, const Text& Default) {
    return cp932::Decode(profile_.GetString(cp932::Encode(Section), cp932::Encode(Key),
                                            cp932::Encode(Default), ini::kSetupBufferSize));
}

int32_t IniProfileReader::ReadProfileNums(const Text& Section, const Text& Key, int32_t Default) {
    return profile_.GetInt(cp932::Encode(Section), cp932::Encode(Key), Default);
}

bool IniProfileReader::ReadProfileBool(const Text& Section, const Text& Key, bool Default) {
    const Text value = ReadProfileChars(Section, Key, Default ? u"YES" : u"NO");
    return ParseYesNo(value);
}

} // namespace quorin
