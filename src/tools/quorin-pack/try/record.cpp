// The trial record and its text form, as the driver writes it (record_reader.cpp reads it back).
// No printf here: the driver links this, and the C runtime's formatted output is a large part of
// a statically linked program.
#include "try/record.h"

#include <cmath>

#include "base/text.h"

namespace quorin::pack {
namespace {

std::string Hex(uint64_t value, int digits) {
    std::string out(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0 && value != 0; --i, value >>= 4)
        out[static_cast<size_t>(i)] = "0123456789abcdef"[value & 15];
    return out;
}

void Escape(std::string& out, std::string_view field) {
    for (const char c : field) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (u < 0x20 || u == 0x7F)
            out += "\\x" + Hex(u, 2);
        else
            out += c;
    }
}

void Line(std::string& out, const char* tag, std::initializer_list<std::string_view> fields) {
    out += tag;
    for (std::string_view f : fields) {
        out += '\t';
        Escape(out, f);
    }
    out += '\n';
}

const char* Flag(bool b) {
    return b ? "1" : "0";
}

// Seconds with three decimals.
std::string Seconds(double seconds) {
    const long long ms = std::llround(seconds * 1000);
    const std::string fraction = std::to_string(std::llabs(ms) % 1000);
    return (ms < 0 ? "-" : "") + std::to_string(std::llabs(ms) / 1000) + "." +
           std::string(3 - fraction.size(), '0') + fraction;
}

void WriteRun(std::string& out, const SetupRunRecord& run) {
    Line(out, "run", {run.name});
    Line(out, "press", {OfferedName(run.toPress)});
    Line(out, "offered", {OfferedName(run.offered)});
    Line(out, "pressed", {Flag(run.pressed)});
    for (const SeenBox& b : run.boxes)
        Line(out, "box", {b.caption, b.text});
    Line(out, "process",
         {Flag(run.started), Flag(run.ended), std::to_string(run.exitCode), Seconds(run.seconds)});
    for (const std::string& s : run.screenshots)
        Line(out, "screenshot", {s});
    for (const std::string& p : run.problems)
        Line(out, "problem", {p});
}

void WriteSnapshot(std::string& out, const std::string& name, const Snapshot& snapshot) {
    Line(out, "snapshot", {name});
    for (const auto& [path, facts] : snapshot.folder) {
        if (facts.folder)
            Line(out, "d", {path});
        else
            Line(out, "f", {path, std::to_string(facts.size), Hex(facts.hash, 16)});
    }
    for (const auto& [key, values] : snapshot.registry) {
        Line(out, "k", {key});
        for (const auto& [valueName, value] : values)
            Line(out, "v", {valueName, value.type, value.data});
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
    std::string out = std::string(kRecordMagic) + "\n";
    Line(out, "title", {r.title});
    Line(out, "folder", {r.folder});
    for (const std::string& n : r.notes)
        Line(out, "note", {n});
    for (const auto& [id, text] : r.strings)
        Line(out, "string", {std::to_string(id), text});
    for (const std::string& name : r.lzTrash)
        Line(out, "lztrash", {name});
    for (const SetupRunRecord& run : r.runs)
        WriteRun(out, run);
    for (const auto& [name, snapshot] : r.snapshots)
        WriteSnapshot(out, name, snapshot);
    out += "end\n";
    return out;
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
        for (size_t i = 0; i < size; ++i)
            out += (i ? " " : "") + Hex(bytes[i], 2);
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
