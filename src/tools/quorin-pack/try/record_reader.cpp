// The trial record read back from its text form (record.h), refusing anything that is not a
// complete record: the driver may have been ended halfway through writing it.
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "try/record.h"

namespace quorin::pack {
namespace {

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
        const char c = field[i];
        if (c == '\\' || c == 't' || c == 'n' || c == 'r') {
            out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : '\\';
            continue;
        }
        if (c != 'x' || i + 2 >= field.size() || HexDigit(field[i + 1]) < 0 || HexDigit(field[i + 2]) < 0)
            return false;
        out += static_cast<char>(HexDigit(field[i + 1]) * 16 + HexDigit(field[i + 2]));
        i += 2;
    }
    return true;
}

// The line's fields, unescaped; none when an escape is bad.
std::optional<std::vector<std::string>> Fields(std::string_view line) {
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
        const size_t tab = line.find('\t', start);
        fields.emplace_back();
        if (!Unescape(line.substr(start, tab == std::string_view::npos ? tab : tab - start), fields.back()))
            return std::nullopt;
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
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
    value = s == "1";
    return s == "0" || s == "1";
}

// A duration the driver can have measured: not negative, not endless, a number.
bool ParseSeconds(const std::string& s, double& value) {
    char* end = nullptr;
    value = std::strtod(s.c_str(), &end);
    return !s.empty() && *end == '\0' && value >= 0 && value < 1e9;
}

bool ParseOffered(std::string_view s, Offered& value) {
    for (Offered o : {Offered::Unknown, Offered::Install, Offered::Uninstall, Offered::Neither})
        if (s == OfferedName(o)) {
            value = o;
            return true;
        }
    return false;
}

// Reads the lines after the first; each belongs to the record, to the last run or to the last
// snapshot.
class RecordReader {
public:
    explicit RecordReader(TrialRecord& record) : record_(record) {}

    // What is wrong with the line; empty when it was read.
    std::string Read(const std::vector<std::string>& f) {
        const std::string& tag = f[0];
        const size_t n = f.size() - 1;
        std::string error;
        if (ReadRecordLine(tag, f, n, error) || (run_ && ReadRunLine(tag, f, n, error)) ||
            (snapshot_ && ReadSnapshotLine(tag, f, n, error)))
            return error;
        return "unexpected \"" + tag + "\" with " + std::to_string(n) + " fields";
    }

    bool ended = false;

private:
    // Each of these answers whether the line is one of theirs; `error` tells what is wrong with it.
    bool ReadRecordLine(const std::string& tag, const std::vector<std::string>& f, size_t n,
                        std::string& error) {
        if (tag == "end" && n == 0) {
            ended = true;
        } else if (tag == "title" && n == 1) {
            record_.title = f[1];
        } else if (tag == "folder" && n == 1) {
            record_.folder = f[1];
        } else if (tag == "note" && n == 1) {
            record_.notes.push_back(f[1]);
        } else if (tag == "string" && n == 2) {
            uint64_t id = 0;
            if (ParseUnsigned(f[1], id) && id <= 65535)
                record_.strings[static_cast<int>(id)] = f[2];
            else
                error = "bad string id";
        } else if (tag == "lztrash" && n == 1) {
            record_.lzTrash.push_back(f[1]);
        } else if (tag == "run" && n == 1) {
            run_ = &record_.runs.emplace_back();
            run_->name = f[1];
            snapshot_ = nullptr;
            key_ = nullptr;
        } else if (tag == "snapshot" && n == 1) {
            if (record_.snapshots.count(f[1]))
                error = "snapshot " + f[1] + " twice";
            snapshot_ = &record_.snapshots[f[1]];
            run_ = nullptr;
            key_ = nullptr;
        } else {
            return false;
        }
        return true;
    }

    bool ReadRunLine(const std::string& tag, const std::vector<std::string>& f, size_t n,
                     std::string& error) {
        SetupRunRecord& run = *run_;
        if (tag == "press" && n == 1) {
            if (!ParseOffered(f[1], run.toPress))
                error = "bad button";
        } else if (tag == "offered" && n == 1) {
            if (!ParseOffered(f[1], run.offered))
                error = "bad state";
        } else if (tag == "pressed" && n == 1) {
            if (!ParseFlag(f[1], run.pressed))
                error = "bad flag";
        } else if (tag == "box" && n == 2) {
            run.boxes.push_back({f[1], f[2]});
        } else if (tag == "process" && n == 4) {
            if (!ParseFlag(f[1], run.started) || !ParseFlag(f[2], run.ended) ||
                !ParseSigned(f[3], run.exitCode) || !ParseSeconds(f[4], run.seconds))
                error = "bad process line";
        } else if (tag == "screenshot" && n == 1) {
            run.screenshots.push_back(f[1]);
        } else if (tag == "problem" && n == 1) {
            run.problems.push_back(f[1]);
        } else {
            return false;
        }
        return true;
    }

    bool ReadSnapshotLine(const std::string& tag, const std::vector<std::string>& f, size_t n,
                          std::string& error) {
        if (tag == "d" && n == 1) {
            snapshot_->folder[f[1]] = FileFacts{true, 0, 0};
        } else if (tag == "f" && n == 3) {
            FileFacts& facts = snapshot_->folder[f[1]];
            if (!ParseUnsigned(f[2], facts.size) || f[3].size() != 16 || !ParseUnsigned(f[3], facts.hash, 16))
                error = "bad file line";
        } else if (tag == "k" && n == 1) {
            key_ = &snapshot_->registry[f[1]];
        } else if (tag == "v" && n == 3 && key_) {
            (*key_)[f[1]] = RegistryValue{f[2], f[3]};
        } else {
            return false;
        }
        return true;
    }

    TrialRecord& record_;
    SetupRunRecord* run_ = nullptr;
    Snapshot* snapshot_ = nullptr;
    RegistryKey* key_ = nullptr;
};

} // namespace

bool ParseTrialRecord(std::string_view text, TrialRecord& record, std::string& error) {
    record = TrialRecord();
    RecordReader reader(record);
    size_t number = 0;
    auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(number) + ": " + what;
        return false;
    };
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (reader.ended)
            return fail("text after the end");
        if (number == 1 && line != kRecordMagic)
            return fail("not a trial record");
        if (number == 1)
            continue;
        const std::optional<std::vector<std::string>> fields = Fields(line);
        if (!fields)
            return fail("bad escape");
        if (const std::string problem = reader.Read(*fields); !problem.empty())
            return fail(problem);
    }
    if (!reader.ended)
        return fail("the record is cut short (no end line)");
    return true;
}

} // namespace quorin::pack
