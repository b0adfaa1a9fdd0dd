#include "installer/paths.h"

#include "basic/string_routines.h"

namespace quorin {

namespace {

bool IsSeparator(char16_t c) noexcept {
    return c == u'\\' || c == u'/';
}

} // namespace

// The path's components as the platform resolves them: empty and "." components dropped,
// trailing dots and blanks of a component dropped, letter case folded.
std::vector<Text> PathComponents(TextView path) {
    std::vector<Text> out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        TextView c = path.substr(start, end - start);
        start = end + 1;
        if (c == u"." || c == u"..") {
            if (c == u"..")
                out.push_back(Text(c));
            continue;
        }
        while (!c.empty() && (c.back() == u'.' || c.back() == u' '))
            c.remove_suffix(1);
        if (c.empty())
            continue;
        Text folded;
        for (char16_t ch : c)
            folded.push_back(FoldCase(ch));
        out.push_back(folded);
    }
    return out;
}

Text PathKey(TextView path) {
    Text key = !path.empty() && IsSeparator(path.front()) ? Text(u"\\") : Text();
    const std::vector<Text> parts = PathComponents(path);
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            key.push_back(u'\\');
        key += parts[i];
    }
    return key;
}

bool SamePath(TextView a, TextView b) {
    return PathKey(a) == PathKey(b);
}

namespace {

bool IsDeviceComponent(Text part) {
    const size_t dot = part.find(u'.');
    if (dot != Text::npos)
        part.resize(dot);
    while (!part.empty() && part.back() == u' ')
        part.pop_back();
    static const char16_t* const kDevices[] = {u"con", u"prn", u"aux", u"nul", u"conin$", u"conout$"};
    for (const char16_t* d : kDevices)
        if (part == d)
            return true;
    return part.size() == 4 && (part.compare(0, 3, u"com") == 0 || part.compare(0, 3, u"lpt") == 0) &&
           part[3] >= u'1' && part[3] <= u'9';
}

} // namespace

bool NamesDevice(TextView name) {
    for (const Text& part : PathComponents(name))
        if (IsDeviceComponent(part))
            return true;
    return false;
}

bool NamesSameFile(TextView name, TextView file) {
    return SamePath(name, file);
}

bool NamesOwnFile(TextView name, const std::vector<Text>& own) {
    for (const Text& file : own)
        if (NamesSameFile(name, file))
            return true;
    return false;
}

bool StaysInsideFolder(TextView name) {
    if (NamesDevice(name))
        return false; // a device is no file of the folder, and opening one can block
    if (!name.empty() && IsSeparator(name.front()))
        return false; // rooted: "\x" is the drive's root, "\\server\share" another machine
    if (name.find(u':') != TextView::npos)
        return false; // a drive ("C:x" is relative to C:'s current folder) or a stream
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        const TextView component = name.substr(start, end - start);
        size_t dots = 0;
        bool onlyDotsAndBlanks = !component.empty();
        for (char16_t c : component) {
            if (c == u'.')
                ++dots;
            else if (c != u' ')
                onlyDotsAndBlanks = false;
        }
        // The platform drops trailing dots and blanks of a component, so "...", ".. " and
        // ". ." all climb to the parent folder.
        if (onlyDotsAndBlanks && dots >= 2)
            return false;
        start = end + 1;
    }
    return true;
}

Text JoinFolder(const Text& folder, const Text& name) {
    return folder + u"\\" + name;
}

} // namespace quorin
