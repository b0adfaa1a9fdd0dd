// The trial report as text (for people) and as one JSON document (for CI). Both show the same
// facts; the JSON shape is documented in the README.
#include <cstdio>

#include "try/report.h"

namespace quorin::pack {
namespace {

const char* ButtonName(Offered offered) {
    switch (offered) {
    case Offered::Install:
        return "Install";
    case Offered::Uninstall:
        return "Uninstall";
    case Offered::Neither:
        return "neither button";
    case Offered::Unknown:
        break;
    }
    return "nothing (no settled window)";
}

// Continuation lines of a multi-line text, indented under its first line (empty lines stay
// empty).
std::string Indented(const std::string& text, const std::string& indent) {
    std::string out;
    bool lineStart = false;
    for (const char c : text) {
        if (c == '\r')
            continue;
        if (lineStart && c != '\n')
            out += indent;
        out += c;
        lineStart = c == '\n';
    }
    return out;
}

// Quoted for one line; backslashes stay as they are, so paths read as paths.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text)
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out + "\"";
}

std::string ValueText(const RegistryValue& v) {
    std::string data = v.data;
    const bool text = v.type == "REG_SZ" || v.type == "REG_EXPAND_SZ" || v.type == "REG_MULTI_SZ";
    // Long binary data is shortened here; the JSON document has all of it.
    constexpr size_t kShownBytes = 32;
    if (!text && data.size() > kShownBytes * 3) {
        const size_t bytes = (data.size() + 1) / 3;
        data = data.substr(0, kShownBytes * 3 - 1) + " ... (" + std::to_string(bytes) + " bytes)";
    }
    return v.type + " " + (text ? Quoted(data) : data);
}

std::string ValueName(const std::string& name) {
    return name.empty() ? "(default)" : Quoted(name);
}

void FileLines(const FolderChanges& f, Output& out, const char* indent) {
    if (f.empty()) {
        out << indent << "files: no change\n";
        return;
    }
    for (const auto& [what, paths] : {std::pair{"added:  ", &f.added}, std::pair{"removed:", &f.removed},
                                      std::pair{"changed:", &f.changed}})
        for (const std::string& p : *paths)
            out << indent << "file " << what << " " << p << "\n";
}

void RegistryLines(const RegistryChanges& g, Output& out, const char* indent) {
    if (g.empty()) {
        out << indent << "registry: no change\n";
        return;
    }
    out << indent << "registry:\n";
    for (const std::string& k : g.keysAdded)
        out << indent << "  + key   " << k << "\n";
    for (const std::string& k : g.keysRemoved)
        out << indent << "  - key   " << k << "\n";
    for (const ValueChange& v : g.values) {
        const std::string where = v.key + " " + ValueName(v.name);
        if (!v.before)
            out << indent << "  + value " << where << " = " << ValueText(*v.after) << "\n";
        else if (!v.after)
            out << indent << "  - value " << where << " = " << ValueText(*v.before) << "\n";
        else
            out << indent << "  ~ value " << where << ": " << ValueText(*v.before) << " -> "
                << ValueText(*v.after) << "\n";
    }
}

std::string EntryText(const std::optional<RegistryKey>& entry) {
    if (!entry)
        return "(none)";
    if (entry->empty())
        return "(a key without values)";
    std::string out;
    for (const auto& [name, value] : *entry)
        out += (out.empty() ? "" : ", ") + (name.empty() ? std::string("(default)") : name) + " = " +
               ValueText(value);
    return out;
}

void ChangeLines(const ChangeReport& c, Output& out) {
    const char* indent = "   ";
    if (!c.present) {
        out << indent << "changes: not recorded\n";
        return;
    }
    FileLines(c.files, out, indent);
    auto record = [](const std::optional<std::string>& v) { return v ? Quoted(*v) : std::string("(none)"); };
    out << indent << "install record: " << record(c.recordBefore) << " -> " << record(c.recordAfter) << "\n";
    out << indent << "uninstall entry " << c.entryKey << ":\n"
        << indent << "  before: " << EntryText(c.entryBefore) << "\n"
        << indent << "  after:  " << EntryText(c.entryAfter) << "\n";
    RegistryLines(c.registry, out, indent);
}

// One start of Setup: the state offered, the messages shown, how it ended.
void PhaseLines(const PhaseReport& p, Output& out) {
    out << "== " << p.name << "\n";
    out << "   offered: " << ButtonName(p.offered);
    if (p.expected != Offered::Unknown)
        out << " (expected " << ButtonName(p.expected) << ")";
    if (p.pressed != Offered::Unknown)
        out << "; pressed " << ButtonName(p.pressed) << ", answered Yes";
    out << "\n";
    for (const ShownMessage& m : p.messages) {
        const std::string meaning = MessageMeaning(m.id);
        out << "   message " << (m.id ? std::to_string(m.id) : "(not Setup's: \"" + m.caption + "\")")
            << (meaning.empty() ? "" : " (" + meaning + ")") << ": " << Indented(m.text, "      ") << "\n";
    }
    if (!p.started) {
        out << "   Setup.EXE could not be started\n";
    } else {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", p.seconds);
        out << (p.ended ? "   Setup ended, exit code " + std::to_string(p.exitCode)
                        : std::string("   Setup did not end by itself; ended by the driver"))
            << ", after " << seconds << " s\n";
    }
    if (!p.screenshots.empty()) {
        out << "   screenshots:";
        for (const std::string& shot : p.screenshots)
            out << " " << shot;
        out << "\n";
    }
}

// --- JSON -----------------------------------------------------------------------------------

std::string JsonList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? ", " : "") + JsonString(items[i]);
    return out + "]";
}

std::string JsonValue(const std::optional<RegistryValue>& v) {
    if (!v)
        return "null";
    return "{\"type\": " + JsonString(v->type) + ", \"data\": " + JsonString(v->data) + "}";
}

std::string JsonKey(const std::optional<RegistryKey>& key) {
    if (!key)
        return "null";
    std::string out = "{";
    bool first = true;
    for (const auto& [name, value] : *key) {
        out += (first ? "" : ", ") + JsonString(name) + ": " + JsonValue(value);
        first = false;
    }
    return out + "}";
}

std::string JsonOptional(const std::optional<std::string>& s) {
    return s ? JsonString(*s) : "null";
}

std::string JsonFiles(const FolderChanges& f) {
    return "{\"added\": " + JsonList(f.added) + ", \"removed\": " + JsonList(f.removed) +
           ", \"changed\": " + JsonList(f.changed) + "}";
}

std::string JsonRegistry(const RegistryChanges& g, const std::string& indent) {
    std::string out = "{\"keysAdded\": " + JsonList(g.keysAdded) +
                      ", \"keysRemoved\": " + JsonList(g.keysRemoved) + ", \"values\": [";
    for (size_t i = 0; i < g.values.size(); ++i) {
        const ValueChange& v = g.values[i];
        out += std::string(i ? "," : "") + "\n" + indent + "  {\"key\": " + JsonString(v.key) +
               ", \"name\": " + JsonString(v.name) + ", \"before\": " + JsonValue(v.before) +
               ", \"after\": " + JsonValue(v.after) + "}";
    }
    return out + (g.values.empty() ? "" : "\n" + indent) + "]}";
}

std::string JsonChanges(const ChangeReport& c, const std::string& title) {
    if (!c.present)
        return "null";
    return "{\n    \"files\": " + JsonFiles(c.files) +
           ",\n    \"installRecord\": {\"key\": " + JsonString(kInstallRecordKey) +
           ", \"name\": " + JsonString(title) + ", \"before\": " + JsonOptional(c.recordBefore) +
           ", \"after\": " + JsonOptional(c.recordAfter) +
           "},\n    \"uninstallEntry\": {\"key\": " + JsonString(c.entryKey) +
           ", \"before\": " + JsonKey(c.entryBefore) + ", \"after\": " + JsonKey(c.entryAfter) +
           "},\n    \"registry\": " + JsonRegistry(c.registry, "    ") + "\n  }";
}

} // namespace

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20 || u == 0x7F) {
                char esc[7];
                std::snprintf(esc, sizeof esc, "\\u%04x", u);
                out += esc;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

void RenderTrialText(const TrialReport& r, Output& out) {
    out << "quorin-pack try: " << r.package << " (\"" << r.title << "\")\n";
    if (r.checkProblems.empty())
        out << "check: no problems\n";
    else
        out << "check: " << r.checkProblems.size() << " problem(s)\n";
    for (const std::string& p : r.checkProblems)
        out << "   " << p << "\n";
    for (const std::string& n : r.notes)
        out << "note: " << n << "\n";
    for (const PhaseReport& p : r.phases) {
        PhaseLines(p, out);
        if (p.name == kRunInstall)
            ChangeLines(r.install, out);
        else if (p.name == kRunUninstall)
            ChangeLines(r.uninstall, out);
    }
    out << "== left by the uninstall (against before the install)\n";
    if (!r.leftComparable) {
        out << "   not compared\n";
    } else {
        FileLines(r.leftFiles, out, "   ");
        for (const std::string& p : r.removedByLzTrash)
            out << "   file removed: " << p << " (deleted by LzTrash at the install, as the script says)\n";
        RegistryLines(r.leftRegistry, out, "   ");
    }
    out << "(registry compared under HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE\\Software and "
           "HKEY_CURRENT_USER\\Software; left out as Wine's own:";
    for (const IgnoredKey& k : WineOwnKeys())
        out << " " << k.key;
    out << ")\n";
    out << "verdict: " << (r.passed ? "PASS" : "FAIL") << "\n";
    for (const std::string& reason : r.reasons)
        out << "   - " << Indented(reason, "     ") << "\n";
}

void RenderTrialJson(const TrialReport& r, Output& out) {
    out << "{\n  \"package\": " << JsonString(r.package) << ",\n  \"title\": " << JsonString(r.title)
        << ",\n  \"passed\": " << (r.passed ? "true" : "false") << ",\n  \"reasons\": " << JsonList(r.reasons)
        << ",\n  \"check\": " << JsonList(r.checkProblems) << ",\n  \"notes\": " << JsonList(r.notes)
        << ",\n  \"phases\": [";
    for (size_t i = 0; i < r.phases.size(); ++i) {
        const PhaseReport& p = r.phases[i];
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f", p.seconds);
        out << (i ? "," : "") << "\n    {\"name\": " << JsonString(p.name)
            << ", \"expected\": " << JsonString(OfferedName(p.expected))
            << ", \"offered\": " << JsonString(OfferedName(p.offered)) << ", \"pressed\": "
            << (p.pressed == Offered::Unknown ? "null" : JsonString(OfferedName(p.pressed)))
            << ",\n     \"started\": " << (p.started ? "true" : "false")
            << ", \"ended\": " << (p.ended ? "true" : "false") << ", \"exitCode\": " << p.exitCode
            << ", \"seconds\": " << seconds << ", \"screenshots\": " << JsonList(p.screenshots)
            << ",\n     \"messages\": [";
        for (size_t m = 0; m < p.messages.size(); ++m)
            out << (m ? ", " : "") << "{\"id\": " << p.messages[m].id
                << ", \"caption\": " << JsonString(p.messages[m].caption)
                << ", \"text\": " << JsonString(p.messages[m].text) << "}";
        out << "]}";
    }
    out << "\n  ],\n  \"install\": " << JsonChanges(r.install, r.title)
        << ",\n  \"uninstall\": " << JsonChanges(r.uninstall, r.title) << ",\n  \"leftBehind\": ";
    if (r.leftComparable)
        out << "{\"files\": " << JsonFiles(r.leftFiles)
            << ",\n    \"removedByLzTrash\": " << JsonList(r.removedByLzTrash)
            << ",\n    \"registry\": " << JsonRegistry(r.leftRegistry, "    ") << "}";
    else
        out << "null";
    out << ",\n  \"ignoredKeys\": [";
    for (size_t i = 0; i < WineOwnKeys().size(); ++i)
        out << (i ? ", " : "") << "{\"key\": " << JsonString(WineOwnKeys()[i].key)
            << ", \"why\": " << JsonString(WineOwnKeys()[i].why) << "}";
    out << "]\n}\n";
}

} // namespace quorin::pack
