// A portable private-profile (INI) reader and writer working on the file's bytes (code page 932
// text as Setup's platform writes it). It answers the way the platform's ANSI private-profile
// functions answer, so the package builder and the native tests see a script exactly as Setup
// will: the file is decoded first (code page 932, or UTF-8 / UTF-16 after a byte-order mark),
// lines end at line feeds or carriage returns, blanks around names and values are dropped, one pair of
// matching quotes is removed from a value, only the first of duplicate sections is seen and the first of
// duplicate keys wins, names are compared without regard to letter case, and values are cut to
// the caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quorin::ini {

// The buffer size Setup passes to the string reader: values arrive as at most 254 bytes.
inline constexpr size_t kSetupBufferSize = 255;

class Profile {
public:
    Profile() = default;
    // Accepts any bytes. Lines end at a line feed or a carriage return; a NUL ends a name or
    // value. Keys before the first section header belong to the section with the empty name.
    static Profile Parse(std::string_view bytes);

    // GetPrivateProfileStringA(section, key, default, buffer, bufferSize): what the buffer holds
    // before its NUL. A missing section or key gives the default, with trailing blanks removed.
    // One pair of matching quotes around the value (or default) is removed. The text is cut to
    // bufferSize - 1 characters and then to the whole characters whose bytes fit before the NUL
    // (a double-byte character is never split). An empty key gives the empty text (the
    // platform leaves the buffer untouched).
    std::string GetString(std::string_view section, std::string_view key, std::string_view defaultText,
                          size_t bufferSize = kSetupBufferSize) const;
    // GetPrivateProfileIntA: the number the value (quotes removed, first 29 characters) begins
    // with: leading blanks, one sign, then decimal digits or "0x" / "0o" / "0b" and digits of
    // that base; 0 for other text; the default when the section or key is missing or the value
    // is empty. Wraps to 32 bits like the platform's unsigned result.
    int32_t GetInt(std::string_view section, std::string_view key, int32_t defaultValue) const;

    // Names in file order as stored, each as often as it occurs (what the platform lists for a
    // null section or key). Keys without "=" and comment lines (";") are not listed.
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;

    // WritePrivateProfileStringA: a null key removes the first section of that name with all
    // its keys; a null value removes the key; otherwise the key is created (the section appended
    // when missing) or its value replaced. Leading blanks of a value are dropped. Other lines
    // keep their bytes; new lines end in CRLF. Returns false and changes nothing for names or
    // values that would not read back as written: a line break or NUL anywhere, "=" in a key,
    // "]" in a section name, blanks around a name, an empty section or key name.
    bool Write(std::string_view section, std::optional<std::string_view> key,
               std::optional<std::string_view> value);

    // The file's bytes: the original lines plus the edits made through Write.
    std::string Serialize() const;

    // How many times the lookups have stepped over a line since parsing. Reading every key of
    // a script section by section costs a few steps per line, not a pass per section: what a
    // test can see without timing.
    size_t LinesScanned() const noexcept { return linesScanned_; }

private:
    enum class Encoding { Ansi, Utf8, Utf16LE, Utf16BE };
    enum class LineKind { Skip, Section, Key };
    struct Line {
        std::string raw; // the line's bytes with its line feed (re-encoded when edited)
        LineKind kind = LineKind::Skip;
        std::u16string name;   // section or key name as the platform stores it
        std::u16string value;  // key value, blanks trimmed
        bool hasValue = false; // a key line with "="
        std::u16string end;    // the line break that ends the line ("" at the end of the file)
    };
    // Parsing: the encoding a byte-order mark names (the mark's length), the text with the
    // byte offset each code unit starts at, and the lines with their bytes.
    size_t ReadByteOrderMark(std::string_view bytes);
    std::u16string DecodeText(std::string_view bytes, std::vector<size_t>& starts) const;
    void SplitLines(std::string_view bytes, std::u16string_view text, const std::vector<size_t>& starts);
    static Line MakeLine(std::string raw, std::u16string_view text);
    // Writing, on names already checked.
    void RemoveSection(std::u16string_view section);
    void RemoveKey(std::u16string_view section, std::u16string_view key);
    void SetValue(const std::u16string& section, const std::u16string& key, std::u16string_view value);
    // Gives the line before `before` a line break when it has none.
    void EndLastLine(size_t before);
    std::string EncodeLine(std::u16string_view text) const;
    // Line index of the first section the platform finds for `section`, npos when there is
    // none, kPreamble for an empty name (the lines before the first header).
    static constexpr size_t kPreamble = static_cast<size_t>(-2);
    size_t FindSection(std::u16string_view section) const;
    size_t SectionEnd(size_t header) const;
    // The first key line in the section starting at `header` (npos: none).
    size_t FindKey(size_t header, std::u16string_view key) const;
    const Line& Scan(size_t i) const noexcept {
        ++linesScanned_;
        return lines_[i];
    }

    Encoding encoding_ = Encoding::Ansi;
    std::string bom_;
    std::string tail_; // an odd last byte of a UTF-16 file
    std::vector<Line> lines_;
    // Folded section name -> its first header line, built at the first lookup and dropped by
    // every edit: a script with thousands of sections is read section by section, and a scan
    // per lookup made that quadratic.
    mutable std::unordered_map<std::u16string, size_t> sectionIndex_;
    mutable bool sectionIndexValid_ = false;
    mutable size_t linesScanned_ = 0;
};

// GetInt's integer reading (RtlUnicodeStringToInteger with base 0): blanks (any code up to the
// space), one sign, then a "0x" / "0o" / "0b" prefix (lower case only) or decimal, digits up to
// the first other character. `wrapped` is the platform's 32-bit result; `written` the number as
// the text writes it, its magnitude held at 2^32 once it gets that far. In an object of its own
// (ini_integer.cpp), so that a program reading its profile through the platform links this
// without the profile reader.
struct IntegerReading {
    uint32_t wrapped;
    int64_t written;
};
IntegerReading ParseInteger(std::u16string_view text);

// The number a value (quotes already removed) begins with, read by GetInt's rules but without
// its wrap to 32 bits: what the script's author wrote, so a range check sees 65536 or
// 4294967297 as written. A magnitude beyond 2^32 is held at 2^32.
int64_t ReadWrittenInteger(std::u16string_view text);

} // namespace quorin::ini
