#include "lz/names.h"

namespace quorin {

CompressedName CompressedNameFor(std::string_view fileName, bool replaceLast) {
    CompressedName out;
    const size_t dot = fileName.rfind('.');
    const size_t extension = dot == std::string_view::npos ? 0 : fileName.size() - dot - 1;
    const unsigned char last = fileName.empty() ? 0 : static_cast<unsigned char>(fileName.back());
    if (replaceLast && extension >= 3 && last < 0x80) {
        out.name.assign(fileName.substr(0, fileName.size() - 1));
        out.name.push_back('_');
        out.missingChar = last;
    } else {
        out.name.assign(fileName);
        out.name.push_back('_');
    }
    return out;
}

std::string ExpandedNameFor(std::string_view compressedName, uint8_t missingChar) {
    if (compressedName.empty() || compressedName.back() != '_')
        return std::string();
    std::string name(compressedName.substr(0, compressedName.size() - 1));
    if (missingChar != 0)
        name.push_back(static_cast<char>(missingChar));
    return name;
}

} // namespace quorin
