#include "ini/profile.h"

#include "base/cp932.h"
#include "basic/string_routines.h"

namespace quorin::ini {
namespace {

using U16 = std::u16string;
using U16View = std::u16string_view;

// The platform's blank test for profile lines: the ASCII blanks and the DOS end-of-file mark ^Z.
// The ideographic space (U+3000) is not a blank here.
bool IsSpace(char16_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A;
}

U16View TrimSpaces(U16View s) {
    size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b]))
        ++b;
    while (e > b && IsSpace(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

// Names and values end at a NUL, as C strings do.
U16 UpToNul(U16View s) {
    size_t n = s.find(u'\0');
    return U16(n == U16View::npos ? s : s.substr(0, n));
}

// The search name as the platform trims it before looking up a section or key.
U16View TrimSearchName(U16View s) {
    return TrimSpaces(s);
}

// Decodes a NUL-free ANSI argument the way the platform's A functions do.
U16 FromAnsi(std::string_view s) {
    size_t n = s.find('\0');
    return cp932::Decode(n == std::string_view::npos ? s : s.substr(0, n));
}

// The platform's quote handling when a value is copied out: with a buffer of `len` characters,
// one pair of matching ' or " quotes is removed.
U16 CopyEntry(U16View value, size_t len) {
    char16_t quote = 0;
    if (!value.empty() && (value[0] == u'\'' || value[0] == u'"') && value.size() >= 2 &&
        value.back() == value[0]) {
        quote = value[0];
        value.remove_prefix(1);
    }
    if (len == 0)
        return U16();
    U16 out(value.substr(0, len - 1));
    // The closing quote is dropped only when the rest fits, measured against the whole buffer:
    // a value exactly len characters long loses its last character instead.
    if (quote != 0 && len >= value.size() && !out.empty())
        out.pop_back();
    return out;
}

// The A functions' conversion of the result into a buffer of `len` bytes: the whole characters
// that fit before the NUL; a double-byte character is never split.
std::string ToAnsiBuffer(U16View text, size_t len) {
    std::string all = cp932::Encode(text);
    if (all.size() + 1 <= len)
        return all;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        std::string one = cp932::Encode(text.substr(i, 1));
        if (out.size() + one.size() + 1 > len)
            break;
        out += one;
    }
    return out;
}

uint32_t ReadInteger(U16View s) {
    return ParseInteger(s).wrapped;
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

} // namespace

Profile::Line Profile::MakeLine(std::string raw, U16View text) {
    Line line;
    line.raw = std::move(raw);
    for (const char16_t* end : {u"\r\n", u"\n", u"\r"}) {
        const U16View e(end);
        if (text.size() >= e.size() && text.substr(text.size() - e.size()) == e) {
            line.end = U16(e);
            break;
        }
    }
    U16View t = TrimSpaces(text);
    if (t.empty())
        return line;
    if (t[0] == u'[') {
        size_t close = t.rfind(u']');
        if (close != U16View::npos) {
            line.kind = LineKind::Section;
            line.name = UpToNul(TrimSpaces(t.substr(1, close - 1)));
            return line;
        }
    }
    line.kind = LineKind::Key;
    size_t eq = t.find(u'=');
    if (eq == U16View::npos) {
        line.name = UpToNul(t);
        return line;
    }
    U16View name = t.substr(0, eq);
    while (!name.empty() && IsSpace(name.back()))
        name.remove_suffix(1);
    U16View value = t.substr(eq + 1);
    while (!value.empty() && IsSpace(value.front()))
        value.remove_prefix(1);
    line.name = UpToNul(name);
    line.value = UpToNul(value);
    line.hasValue = true;
    return line;
}

Profile Profile::Parse(std::string_view bytes) {
    Profile p;
    bytes.remove_prefix(p.ReadByteOrderMark(bytes));
    // Decode the whole file first, then split at line breaks: in code page 932 a lead byte
    // swallows a following line feed, which joins two lines, as it does for the platform.
    std::vector<size_t> starts;
    const U16 text = p.DecodeText(bytes, starts);
    // UTF-16 leaves an odd last byte unread; it belongs to no line and stays at the very end.
    const bool utf16 = p.encoding_ == Encoding::Utf16LE || p.encoding_ == Encoding::Utf16BE;
    const size_t consumed = utf16 ? bytes.size() & ~size_t{1} : bytes.size();
    p.tail_ = std::string(bytes.substr(consumed));
    p.SplitLines(bytes.substr(0, consumed), text, starts);
    return p;
}

size_t Profile::ReadByteOrderMark(std::string_view bytes) {
    static constexpr struct {
        std::string_view mark;
        Encoding encoding;
    } kMarks[] = {
        {"\xEF\xBB\xBF", Encoding::Utf8}, {"\xFF\xFE", Encoding::Utf16LE}, {"\xFE\xFF", Encoding::Utf16BE}};
    for (const auto& m : kMarks) {
        if (bytes.substr(0, m.mark.size()) == m.mark) {
            encoding_ = m.encoding;
            bom_ = std::string(m.mark);
            return m.mark.size();
        }
    }
    return 0;
}

U16 Profile::DecodeText(std::string_view bytes, std::vector<size_t>& starts) const {
    U16 text;
    switch (encoding_) {
    case Encoding::Ansi:
        return cp932::Decode(bytes, starts);
    case Encoding::Utf8:
        // Line feeds cannot hide inside UTF-8 sequences: split the bytes, decode each line.
        for (size_t pos = 0; pos < bytes.size();) {
            const size_t nl = bytes.find('\n', pos);
            const size_t end = nl == std::string_view::npos ? bytes.size() : nl + 1;
            const U16 part = FromUtf8(bytes.substr(pos, end - pos));
            starts.insert(starts.end(), part.size(), pos);
            text += part;
            pos = end;
        }
        break;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        const size_t low = encoding_ == Encoding::Utf16LE ? 0 : 1;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<unsigned char>(bytes[i + low]);
            const auto hi = static_cast<unsigned char>(bytes[i + 1 - low]);
            text.push_back(static_cast<char16_t>(hi << 8 | lo));
            starts.push_back(i);
        }
        break;
    }
    }
    return text;
}

void Profile::SplitLines(std::string_view bytes, U16View text, const std::vector<size_t>& starts) {
    for (size_t from = 0; from < text.size();) {
        // A line ends at a line feed or a carriage return. CRLF ends one line: to the platform
        // it is a line and an empty one, and empty lines carry nothing.
        const size_t nl = text.find_first_of(u"\r\n", from);
        size_t end = nl == U16View::npos ? text.size() : nl + 1;
        if (nl != U16View::npos && text[nl] == u'\r' && end < text.size() && text[end] == u'\n')
            ++end;
        const size_t byteEnd = end < text.size() ? starts[end] : bytes.size();
        lines_.push_back(MakeLine(std::string(bytes.substr(starts[from], byteEnd - starts[from])),
                                  text.substr(from, end - from)));
        from = end;
    }
}

std::string Profile::EncodeLine(U16View text) const {
    switch (encoding_) {
    case Encoding::Ansi:
        return cp932::Encode(text);
    case Encoding::Utf8:
        return ToUtf8(text);
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        std::string out;
        for (char16_t c : text) {
            char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
            if (encoding_ == Encoding::Utf16LE) {
                out.push_back(lo);
                out.push_back(hi);
            } else {
                out.push_back(hi);
                out.push_back(lo);
            }
        }
        return out;
    }
    }
    return {};
}

size_t Profile::FindSection(U16View section) const {
    U16View want = TrimSearchName(section);
    // An empty name finds the lines before the first section header.
    if (want.empty())
        return kPreamble;
    if (!sectionIndexValid_) {
        sectionIndex_.clear();
        for (size_t i = 0; i < lines_.size(); ++i)
            if (Scan(i).kind == LineKind::Section)
                sectionIndex_.emplace(FoldCase(lines_[i].name), i); // the first of duplicates stays
        sectionIndexValid_ = true;
    }
    const auto it = sectionIndex_.find(FoldCase(want));
    return it == sectionIndex_.end() ? std::string::npos : it->second;
}

size_t Profile::SectionEnd(size_t header) const {
    size_t i = header == kPreamble ? 0 : header + 1;
    while (i < lines_.size() && Scan(i).kind != LineKind::Section)
        ++i;
    return i;
}

size_t Profile::FindKey(size_t header, U16View key) const {
    U16View want = TrimSearchName(key);
    for (size_t i = header == kPreamble ? 0 : header + 1;
         i < lines_.size() && Scan(i).kind != LineKind::Section; ++i)
        if (lines_[i].kind == LineKind::Key && EqualsNoCase(lines_[i].name, want))
            return i;
    return std::string::npos;
}

std::string Profile::GetString(std::string_view section, std::string_view key, std::string_view defaultText,
                               size_t bufferSize) const {
    U16 k = FromAnsi(key);
    if (k.empty() || bufferSize == 0)
        return {}; // the platform leaves the buffer untouched for an empty key
    U16 def = FromAnsi(defaultText);
    while (!def.empty() && def.back() == u' ')
        def.pop_back();
    const U16* source = &def;
    size_t header = FindSection(FromAnsi(section));
    if (header != std::string::npos) {
        size_t line = FindKey(header, k);
        if (line != std::string::npos && lines_[line].hasValue)
            source = &lines_[line].value;
    }
    return ToAnsiBuffer(CopyEntry(*source, bufferSize), bufferSize);
}

int32_t Profile::GetInt(std::string_view section, std::string_view key, int32_t defaultValue) const {
    // The platform reads the value as a string into a 30-character buffer first.
    constexpr size_t kIntBuffer = 30;
    U16 k = FromAnsi(key);
    if (k.empty())
        return defaultValue;
    size_t header = FindSection(FromAnsi(section));
    if (header == std::string::npos)
        return defaultValue;
    size_t line = FindKey(header, k);
    if (line == std::string::npos || !lines_[line].hasValue)
        return defaultValue;
    U16 text = CopyEntry(lines_[line].value, kIntBuffer);
    if (text.empty())
        return defaultValue;
    return static_cast<int32_t>(ReadInteger(text));
}

std::vector<std::string> Profile::SectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : lines_)
        if (line.kind == LineKind::Section && !line.name.empty())
            names.push_back(cp932::Encode(line.name));
    return names;
}

std::vector<std::string> Profile::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    // Listing compares the section name as given, without trimming it.
    U16 want = FromAnsi(section);
    auto addKeys = [this, &names](size_t header) {
        size_t end = SectionEnd(header);
        for (size_t k = header == kPreamble ? 0 : header + 1; k < end; ++k) {
            const Line& line = Scan(k);
            if (line.kind == LineKind::Key && !line.name.empty() && line.name[0] != u';' && line.hasValue)
                names.push_back(cp932::Encode(line.name));
        }
    };
    if (want.empty()) {
        addKeys(kPreamble);
        return names;
    }
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (Scan(i).kind != LineKind::Section || lines_[i].name.empty() ||
            !EqualsNoCase(lines_[i].name, want))
            continue;
        addKeys(i);
        break;
    }
    return names;
}

bool Profile::Write(std::string_view section, std::optional<std::string_view> key,
                    std::optional<std::string_view> value) {
    // Refuse what would not read back as written.
    if (HasLineBreakOrNul(section) || (key && HasLineBreakOrNul(*key)) ||
        (value && HasLineBreakOrNul(*value)))
        return false;
    const U16 sec = FromAnsi(section);
    if (sec.empty() || TrimSpaces(sec).size() != sec.size() || sec.find(u']') != U16::npos)
        return false;
    const U16 k = key ? FromAnsi(*key) : U16();
    if (key && (k.empty() || TrimSpaces(k).size() != k.size() || k.find(u'=') != U16::npos || k[0] == u'['))
        return false;

    if (!key)
        RemoveSection(sec);
    else if (!value)
        RemoveKey(sec, k);
    else
        SetValue(sec, k, FromAnsi(*value));
    sectionIndexValid_ = false; // lines may have moved
    return true;
}

void Profile::RemoveSection(U16View section) {
    // The first section of that name, with every line up to the next section.
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (Scan(i).kind == LineKind::Section && EqualsNoCase(lines_[i].name, section)) {
            lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i),
                         lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(i)));
            return;
        }
    }
}

void Profile::RemoveKey(U16View section, U16View key) {
    // The first such key of any section of that name.
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (Scan(i).kind != LineKind::Section || !EqualsNoCase(lines_[i].name, section))
            continue;
        const size_t end = SectionEnd(i);
        for (size_t j = i + 1; j < end; ++j) {
            if (Scan(j).kind == LineKind::Key && EqualsNoCase(lines_[j].name, key)) {
                lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(j));
                return;
            }
        }
    }
}

void Profile::SetValue(const U16& section, const U16& key, U16View value) {
    while (!value.empty() && IsSpace(value.front()))
        value.remove_prefix(1);
    // A line's own end is kept; a new line ends in CRLF.
    auto makeKeyLine = [&](const U16& name, const U16& end) {
        U16 text = name + u"=" + U16(value) + end;
        return MakeLine(EncodeLine(text), text);
    };
    const size_t header = FindSection(section);
    if (header == std::string::npos) {
        EndLastLine(lines_.size());
        const U16 headerText = u"[" + section + u"]\r\n";
        lines_.push_back(MakeLine(EncodeLine(headerText), headerText));
        lines_.push_back(makeKeyLine(key, u"\r\n"));
        return;
    }
    const size_t line = FindKey(header, key);
    if (line != std::string::npos) {
        if (!lines_[line].hasValue || lines_[line].value != value) // unchanged: keep the line's bytes
            lines_[line] = makeKeyLine(lines_[line].name, lines_[line].end);
        return;
    }
    // After the section's last key, so blank lines before the next section stay there.
    size_t at = header + 1;
    for (size_t i = header + 1, end = SectionEnd(header); i < end; ++i)
        if (Scan(i).kind == LineKind::Key)
            at = i + 1;
    EndLastLine(at);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), makeKeyLine(key, u"\r\n"));
}

void Profile::EndLastLine(size_t before) {
    // A line that ends the file without a line break gets one before anything follows it.
    if (before == 0 || !lines_[before - 1].end.empty())
        return;
    lines_[before - 1].raw += EncodeLine(u"\r\n");
    lines_[before - 1].end = u"\r\n";
}

std::string Profile::Serialize() const {
    std::string out = bom_;
    for (const Line& line : lines_)
        out += line.raw;
    return out + tail_;
}

} // namespace quorin::ini
