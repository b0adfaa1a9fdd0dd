// The trial record's text form: one item per line, fields separated by tabs, each field escaped
// so that tabs, line breaks and other control characters in names and data survive.
//
//   quorin-pack-try-record 1
//   title T | folder F | note N | string ID TEXT | lztrash NAME
//   run NAME                 then, for that run: press BUTTON | offered STATE | pressed 0|1 |
//                            box CAPTION TEXT | process STARTED ENDED EXITCODE SECONDS |
//                            screenshot FILE | problem TEXT
//   snapshot NAME            then, for that snapshot: d PATH | f PATH SIZE HASH | k KEY |
//                            v NAME TYPE DATA (a value of the last k)
//   end
#include "try/record.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "base/text.h"

namespace quorin::pack {
namespace {

constexpr char kMagic[] = "quorin-pack-try-record 1";

void Escape(std::string& out, std::string_view field) {
    for (const char c : field) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (u < 0x20 || u == 0x7F) {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", u);
                out += hex;
            } else {
                out += c;
            }
        }
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool Unescape(std::string_view field, std::string& out) {
    out.clear();
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i >= field.size())
            return false;
        switch (field[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 'x': {
            if (i + 2 >= field.size())
                return false;
            const int hi = HexDigit(field[i + 1]), lo = HexDigit(field[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

void Line(std::string& out, const char* tag, std::initializer_list<std::string_view> fields) {
    out += tag;
    for (std::string_view f : fields) {
        out += '\t';
        Escape(out, f);
    }
    out += '\n';
}

const char* YesNo(bool b) {
    return b ? "1" : "0";
}

bool ParseUnsigned(std::string_view s, uint64_t& value, int base = 10) {
    if (s.empty() || s.size() > 20)
        return false;
    value = 0;
    for (const char c : s) {
        const int d = HexDigit(c);
        if (d < 0 || d >= base)
            return false;
        const uint64_t next = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (next / static_cast<uint64_t>(base) != value)
            return false;
        value = next;
    }
    return true;
}

bool ParseSigned(std::string_view s, int64_t& value) {
    const bool negative = !s.empty() && s[0] == '-';
    uint64_t magnitude = 0;
    if (!ParseUnsigned(negative ? s.substr(1) : s, magnitude) || magnitude > INT64_MAX)
        return false;
    value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

bool ParseFlag(std::string_view s, bool& value) {
    if (s != "0" && s != "1")
        return false;
    value = s == "1";
    return true;
}

bool ParseOffered(std::string_view s, Offered& value) {
    for (Offered o : {Offered::Unknown, Offered::Install, Offered::Uninstall, Offered::Neither})
        if (s == OfferedName(o)) {
            value = o;
            return true;
        }
    return false;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(
            line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

} // namespace

const char* OfferedName(Offered offered) {
    switch (offered) {
    case Offered::Install:
        return "install";
    case Offered::Uninstall:
        return "uninstall";
    case Offered::Neither:
        return "neither";
    case Offered::Unknown:
        break;
    }
    return "unknown";
}

std::string WriteTrialRecord(const TrialRecord& r) {
    std::string out = std::string(kMagic) + "\n";
    Line(out, "title", {r.title});
    Line(out, "folder", {r.folder});
    for (const std::string& n : r.notes)
        Line(out, "note", {n});
    for (const auto& [id, text] : r.strings)
        Line(out, "string", {std::to_string(id), text});
    for (const std::string& name : r.lzTrash)
        Line(out, "lztrash", {name});
    for (const SetupRunRecord& run : r.runs) {
        Line(out, "run", {run.name});
        Line(out, "press", {OfferedName(run.toPress)});
        Line(out, "offered", {OfferedName(run.offered)});
        Line(out, "pressed", {YesNo(run.pressed)});
        for (const SeenBox& b : run.boxes)
            Line(out, "box", {b.caption, b.text});
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.3f", run.seconds);
        Line(out, "process", {YesNo(run.started), YesNo(run.ended), std::to_string(run.exitCode), seconds});
        for (const std::string& s : run.screenshots)
            Line(out, "screenshot", {s});
        for (const std::string& p : run.problems)
            Line(out, "problem", {p});
    }
    for (const auto& [name, snapshot] : r.snapshots) {
        Line(out, "snapshot", {name});
        for (const auto& [path, facts] : snapshot.folder) {
            if (facts.folder) {
                Line(out, "d", {path});
                continue;
            }
            char hash[17];
            std::snprintf(hash, sizeof hash, "%016" PRIx64, facts.hash);
            Line(out, "f", {path, std::to_string(facts.size), hash});
        }
        for (const auto& [key, values] : snapshot.registry) {
            Line(out, "k", {key});
            for (const auto& [name, value] : values)
                Line(out, "v", {name, value.type, value.data});
        }
    }
    out += "end\n";
    return out;
}

bool ParseTrialRecord(std::string_view text, TrialRecord& record, std::string& error) {
    record = TrialRecord();
    SetupRunRecord* run = nullptr;
    Snapshot* snapshot = nullptr;
    RegistryKey* key = nullptr;
    size_t lineNumber = 0, start = 0;
    bool ended = false;
    auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (ended)
            return fail("text after the end");
        if (lineNumber == 1) {
            if (line != kMagic)
                return fail("not a trial record");
            continue;
        }
        const std::vector<std::string_view> raw = SplitTabs(line);
        std::vector<std::string> f(raw.size());
        for (size_t i = 0; i < raw.size(); ++i)
            if (!Unescape(raw[i], f[i]))
                return fail("bad escape");
        const std::string& tag = f[0];
        const size_t n = f.size() - 1;
        auto needs = [&](size_t count) { return n == count; };
        auto inRun = [&]() { return run != nullptr; };
        if (tag == "end" && needs(0)) {
            ended = true;
        } else if (tag == "title" && needs(1)) {
            record.title = f[1];
        } else if (tag == "folder" && needs(1)) {
            record.folder = f[1];
        } else if (tag == "note" && needs(1)) {
            record.notes.push_back(f[1]);
        } else if (tag == "string" && needs(2)) {
            uint64_t id = 0;
            if (!ParseUnsigned(f[1], id) || id > 65535)
                return fail("bad string id");
            record.strings[static_cast<int>(id)] = f[2];
        } else if (tag == "lztrash" && needs(1)) {
            record.lzTrash.push_back(f[1]);
        } else if (tag == "run" && needs(1)) {
            record.runs.emplace_back();
            run = &record.runs.back();
            run->name = f[1];
            snapshot = nullptr;
            key = nullptr;
        } else if (tag == "press" && needs(1) && inRun()) {
            if (!ParseOffered(f[1], run->toPress))
                return fail("bad button");
        } else if (tag == "offered" && needs(1) && inRun()) {
            if (!ParseOffered(f[1], run->offered))
                return fail("bad state");
        } else if (tag == "pressed" && needs(1) && inRun()) {
            if (!ParseFlag(f[1], run->pressed))
                return fail("bad flag");
        } else if (tag == "box" && needs(2) && inRun()) {
            run->boxes.push_back({f[1], f[2]});
        } else if (tag == "process" && needs(4) && inRun()) {
            char* endOfNumber = nullptr;
            run->seconds = std::strtod(f[4].c_str(), &endOfNumber);
            if (!ParseFlag(f[1], run->started) || !ParseFlag(f[2], run->ended) ||
                !ParseSigned(f[3], run->exitCode) || f[4].empty() || *endOfNumber != '\0')
                return fail("bad process line");
        } else if (tag == "screenshot" && needs(1) && inRun()) {
            run->screenshots.push_back(f[1]);
        } else if (tag == "problem" && needs(1) && inRun()) {
            run->problems.push_back(f[1]);
        } else if (tag == "snapshot" && needs(1)) {
            if (record.snapshots.count(f[1]))
                return fail("snapshot " + f[1] + " twice");
            snapshot = &record.snapshots[f[1]];
            run = nullptr;
            key = nullptr;
        } else if (tag == "d" && needs(1) && snapshot) {
            snapshot->folder[f[1]] = FileFacts{true, 0, 0};
        } else if (tag == "f" && needs(3) && snapshot) {
            FileFacts facts;
            if (!ParseUnsigned(f[2], facts.size) || f[3].size() != 16 || !ParseUnsigned(f[3], facts.hash, 16))
                return fail("bad file line");
            snapshot->folder[f[1]] = facts;
        } else if (tag == "k" && needs(1) && snapshot) {
            key = &snapshot->registry[f[1]];
        } else if (tag == "v" && needs(3) && key) {
            (*key)[f[1]] = RegistryValue{f[2], f[3]};
        } else {
            return fail("unexpected \"" + tag + "\" with " + std::to_string(n) + " fields");
        }
    }
    if (!ended)
        return fail("the record is cut short (no end line)");
    return true;
}

RegistryValue FormatRegistryData(uint32_t type, const uint8_t* bytes, size_t size) {
    // Type codes of the registry.
    enum : uint32_t { kNone = 0, kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4, kMultiSz = 7, kQword = 11 };
    static const std::map<uint32_t, const char*> kNames = {{kNone, "REG_NONE"},
                                                           {kSz, "REG_SZ"},
                                                           {kExpandSz, "REG_EXPAND_SZ"},
                                                           {kBinary, "REG_BINARY"},
                                                           {kDword, "REG_DWORD"},
                                                           {5, "REG_DWORD_BIG_ENDIAN"},
                                                           {6, "REG_LINK"},
                                                           {kMultiSz, "REG_MULTI_SZ"},
                                                           {kQword, "REG_QWORD"}};
    RegistryValue v;
    const auto name = kNames.find(type);
    v.type = name != kNames.end() ? name->second : "type " + std::to_string(type);
    auto hex = [&] {
        std::string out;
        for (size_t i = 0; i < size; ++i) {
            char two[4];
            std::snprintf(two, sizeof two, i ? " %02x" : "%02x", bytes[i]);
            out += two;
        }
        return out;
    };
    auto number = [&](size_t width) {
        uint64_t value = 0;
        for (size_t i = 0; i < width; ++i)
            value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
        return std::to_string(value);
    };
    if ((type == kSz || type == kExpandSz || type == kMultiSz) && size % 2 == 0) {
        Text text;
        for (size_t i = 0; i + 1 < size; i += 2)
            text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        // Strings are stored with their terminator (a REG_MULTI_SZ with two); what follows the
        // first one is not part of a string value.
        if (type == kMultiSz) {
            while (!text.empty() && text.back() == u'\0')
                text.pop_back();
            for (char16_t& c : text)
                if (c == u'\0')
                    c = u'\n';
        } else if (const size_t nul = text.find(u'\0'); nul != Text::npos) {
            text.resize(nul);
        }
        v.data = ToUtf8(text);
    } else if (type == kDword && size == 4) {
        v.data = number(4);
    } else if (type == kQword && size == 8) {
        v.data = number(8);
    } else {
        v.data = hex();
    }
    return v;
}

uint64_t ContentHash(const uint8_t* bytes, size_t size, uint64_t hash) {
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

} // namespace quorin::pack
