#include "lz_commands.h"

#include "file_system.h"
#include "lz/decode.h"
#include "lz/encode.h"
#include "lz/names.h"

namespace quorin::pack {
namespace {

// Runs `convert` on each readable input with the folder its output goes to: -o DIR, or the
// input's own folder.
template <typename Convert>
void ForEachInput(const LzOptions& o, std::vector<Problem>& problems, Convert convert) {
    const Path outDir = o.outDir ? Path(*o.outDir) : Path();
    if (o.outDir && !IsFolder(outDir)) {
        problems.push_back({*o.outDir, "", "", "no such folder"});
        return;
    }
    for (const std::string& name : o.files) {
        const Path input = name;
        std::vector<uint8_t> data;
        if (ReadWholeFile(input, data))
            convert(name, input, data, o.outDir ? outDir : input.Parent());
        else
            problems.push_back({name, "", "", "cannot read"});
    }
}

// The output under `name` in `dir`, unless that is the input itself.
std::optional<Path> OutputPath(const std::string& input, const Path& dir, const std::string& name,
                               const char* what, std::vector<Problem>& problems) {
    const Path output = dir / name;
    if (SameFile(input, output)) {
        problems.push_back({input, "", "", std::string("the ") + what + " name is the file's own name"});
        return std::nullopt;
    }
    return output;
}

} // namespace

void CompressFiles(const LzOptions& o, std::vector<Problem>& problems, Output& out) {
    ForEachInput(
        o, problems,
        [&](const std::string& name, const Path& input, const std::vector<uint8_t>& data, const Path& dir) {
            const CompressedName shipped = CompressedNameFor(input.Name().Utf8(), o.replaceLast);
            const std::optional<Path> output = OutputPath(name, dir, shipped.name, "compressed", problems);
            std::vector<uint8_t> packed;
            if (!output)
                return;
            if (!EncodeSzdd(data.data(), data.size(), shipped.missingChar, packed))
                problems.push_back({name, "", "", "too large for the LZ format (4 GiB)"});
            else if (!WriteFileAtomically(*output, packed))
                problems.push_back({output->Utf8(), "", "", "cannot write"});
            else
                out << name << " -> " << output->Utf8() << " (" << data.size() << " -> " << packed.size()
                    << " bytes)\n";
        });
}

void ExpandFiles(const LzOptions& o, std::vector<Problem>& problems, Output& out) {
    ForEachInput(
        o, problems,
        [&](const std::string& name, const Path& input, const std::vector<uint8_t>& data, const Path& dir) {
            std::vector<uint8_t> expanded;
            SzddHeader header;
            const SzddStatus status = DecodeSzdd(data.data(), data.size(), expanded, &header);
            if (status != SzddStatus::Ok) {
                problems.push_back({name, "", "", std::string(SzddStatusText(status)) + "; nothing written"});
                return;
            }
            std::string outName = ExpandedNameFor(input.Name().Utf8(), header.missingChar);
            if (outName.empty() && !o.outDir) {
                problems.push_back(
                    {name, "", "",
                     "the name does not end in '_', so there is no name to restore; use -o DIR"});
                return;
            }
            const std::optional<Path> output =
                OutputPath(name, dir, outName.empty() ? input.Name().Utf8() : outName, "expanded", problems);
            if (!output)
                return;
            if (Exists(*output) && !o.force)
                problems.push_back({output->Utf8(), "", "", "exists; use -f to overwrite"});
            else if (!WriteFileAtomically(*output, expanded))
                problems.push_back({output->Utf8(), "", "", "cannot write"});
            else
                out << name << " -> " << output->Utf8() << " (" << expanded.size() << " bytes)\n";
        });
}

} // namespace quorin::pack
