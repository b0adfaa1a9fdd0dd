// A portable private-profile (INI) reader and writer working on the file's bytes (code page 932
// text as Setup's platform writes it). It answers the way the platform's ANSI private-profile
// functions do for the operations Setup relies on, so the package builder and the native tests
// see a script exactly as Setup will: blanks around names and values dropped, one pair of
// matching quotes removed from a value, the first of duplicate sections and keys wins, names
// compared without regard to ASCII letter case, values cut to the caller's buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorin::ini {

// The buffer size Setup passes to the string reader: values arrive as at most 254 bytes.
inline constexpr size_t kSetupBufferSize = 255;

class Profile {
public:
    Profile() = default;
    // Accepts any bytes; CRLF, LF and lone CR end lines; a NUL ends the text as it does for the
    // platform's reader. A UTF-8 byte-order mark is kept as part of the first line, as the ANSI
    // functions do.
    static Profile Parse(std::string_view bytes);

    // The value as stored, after blank trimming, before quote removal and without any length cut;
    // empty optional when the section or key is missing.
    std::optional<std::string> RawValue(std::string_view section, std::string_view key) const;

    // GetPrivateProfileStringA(section, key, default, buffer, bufferSize): what the buffer holds
    // before its NUL. A missing section or key gives the default, with trailing blanks removed.
    // Quotes around a value are removed; the result is cut to bufferSize - 1 bytes, without
    // splitting a double-byte character (a lead byte left alone at the end is dropped).
    std::string GetString(std::string_view section, std::string_view key, std::string_view defaultText,
                          size_t bufferSize = kSetupBufferSize) const;
    // GetPrivateProfileIntA: the decimal number the value begins with (an optional sign and
    // digits after leading blanks, "0x" hexadecimal too), 0 for other text, the default when
    // the section or key is missing. Wraps to 32 bits like the platform's unsigned result.
    int32_t GetInt(std::string_view section, std::string_view key, int32_t defaultValue) const;

    // Names in file order, duplicates (compared without case) listed once.
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;
    bool HasSection(std::string_view section) const;

    // WritePrivateProfileStringA: a null key removes the section with all its keys; a null value
    // removes the key; otherwise the key is created (section appended when missing) or its value
    // replaced. Other lines keep their bytes.
    void Write(std::string_view section, std::optional<std::string_view> key,
               std::optional<std::string_view> value);

    // The file's bytes: the original lines (with their line ends) plus the edits made through
    // Write, new lines ending in CRLF.
    std::string Serialize() const;

private:
    struct Line {
        std::string text; // without line end
        std::string end;  // "\r\n", "\n", "\r" or "" at the end of the file
    };
    enum class LineKind { Blank, Section, Key, Other };
    struct Parsed {
        LineKind kind = LineKind::Other;
        std::string name;  // section or key name, blanks trimmed
        std::string value; // key value, blanks trimmed
    };
    static Parsed ParseLine(std::string_view text);
    // Index of the first line of the first section named `section`, or npos; the section's key
    // lines run up to the next section line.
    size_t FindSection(std::string_view section) const;
    size_t FindKey(size_t sectionLine, std::string_view key) const;
    size_t SectionEnd(size_t sectionLine) const;

    std::vector<Line> lines_;
};

// Whole-file helpers on top of Profile. A missing or unreadable file reads as an empty profile,
// as it does for the platform's readers.
Profile LoadProfileFile(const std::string& path);
// Writes the profile back; false when the file cannot be written.
bool SaveProfileFile(const std::string& path, const Profile& profile);

// ASCII case-insensitive comparison, the rule the platform uses for section and key names.
bool EqualsNoCase(std::string_view a, std::string_view b) noexcept;

} // namespace quorin::ini
