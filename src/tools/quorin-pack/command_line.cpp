// The command line: the usage text, the options of each command, and the dispatch to them.
#include "command_line.h"

#include "package/build.h"
#include "package/check.h"
#include "lz_commands.h"
#include "try/command.h"

namespace quorin::pack {
namespace {

const char kUsage[] = R"(Usage: quorin-pack COMMAND [OPTIONS] ARGUMENTS
Builds the packages that Setup (Ombrel's Quorin Installer) installs.

Commands:
  compress [-r] FILE... [-o DIR]
      Compresses each FILE in the LZ (SZDD) format that Setup expands.
      -r      name the output the way setup scripts expect: the last character of a
              three-letter (or longer) extension becomes '_' and is recorded in the file
              (Joystick.OCX -> Joystick.OC_); a shorter extension gets '_' appended.
              Without -r, '_' is appended and nothing is recorded.
      -o DIR  write the outputs into DIR instead of beside each FILE.
  expand [-f] FILE... [-o DIR]
      Expands each compressed FILE under the name recorded in it (or without its final
      '_' when none is recorded). A damaged FILE is reported and nothing is written.
      -f      overwrite existing files.
      -o DIR  write into DIR (a name without a final '_' is then kept as it is).
  build MANIFEST -o DIR [--setup-exe PATH] [--setup-dll PATH] [--source NAME=PATH]...
      Builds a package folder: Setup.EXE and Setup.DLL (from dist/win32 unless given), the
      [Copy] files as they are, every [File] compressed under its shipped name, and
      Setup.INF in code page 932. Then checks the folder as the check command does.
      --source NAME=PATH  take the [File] whose Name is NAME from PATH.
  check DIR
      Reads DIR/Setup.INF as Setup reads it and reports every problem with its section
      and key: a missing Lz or one without a comma, All outside 0 to 32767 as written, a
      compressed file that is missing or does not decode, an empty Title or one holding
      "\", a Title, Document or Lz over 254 bytes (Setup cuts it), two entries with one
      final name, a name that leaves the package folder. Notes (SelfRegister on a file
      that is no EXE, DLL or OCX) do not fail the check.
  try DIR [--keep-prefix PATH] [--screenshots DIR] [--json]
      Proves the package on Linux before it ships: runs check (and stops when Setup would
      refuse the script), then runs DIR's own Setup.EXE under Wine as a user would, on a
      copy of DIR inside a private prefix (code page 932, Japanese fonts) and on its own
      headless X server (Xvfb) unless DISPLAY is set. Setup is started and must offer
      Install; Install is answered Yes and every message box is read; started again it
      must offer Uninstall, answered Yes; started once more it must offer Install again.
      The report shows each start's state and messages, and what the install and the
      uninstall changed: files in the package folder, the install record, the uninstall
      entry, and keys and values under HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE\Software and
      HKEY_CURRENT_USER\Software (full snapshots compared; only keys Wine itself changes
      are left out, and named). It passes when the install completed with no failure
      message and the uninstall left the folder and the registry as they were before.
      --keep-prefix PATH  make the prefix in PATH once and reuse it, each trial starting
                          from the registry as it was made (a temporary prefix is made
                          and removed otherwise)
      --screenshots DIR   save Setup's window in its states as PNG files: not-installed,
                          installing, installed-elsewhere (a copy of the package started
                          in another folder), installed-here
      --json              print the report as one JSON document (see the README)
      The Windows driver quorin-pack-try.exe is taken from $QUORIN_PACK_TRY_DRIVER, beside
      the tool, from ../win32 or from ../share/quorin-pack. On Windows, try does not run:
      it would install into the machine itself (exit status 3).

Manifest (UTF-8; paths relative to the manifest's folder):
  [Package]
  Title=Ombrel's Gantrel        the product's title
  Document=README.TXT           the read-me the Welcome button opens (optional)
  LzTrash=YES                   delete the compressed files after installing
  SetupExe=path  SetupDll=path  where Setup.EXE and Setup.DLL come from (optional)
  [Copy]
  README.TXT=README.TXT         NAME=SOURCE: copied uncompressed as NAME
  [File]                        one section per installed file, in install order
  Source=Joystick.OCX
  Name=Joystick.OCX             final name (default: the source's file name)
  SelfRegister=YES

Exit status: 0 success, 1 a problem with the input (for try: the package misbehaves, with the
reasons), 2 a usage error, 3 (try) Wine, Xvfb or the Windows driver is missing.
)";

struct Options {
    std::vector<std::string> operands;
    LzOptions lz; // compress, expand
    std::optional<std::string> outDir;
    bool help = false;
    std::optional<std::string> setupExe, setupDll;
    std::vector<std::string> sources;
    TryOptions trial;
};

struct UsageError {
    std::string message;
};

// Options may stand anywhere; "--" ends them.
Options Parse(const std::string& command, const std::vector<std::string>& args) {
    Options o;
    auto allowed = [&](const char* commands) {
        return std::string(commands).find(" " + command + " ") != std::string::npos;
    };
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size())
                throw UsageError{"option " + a + " needs an argument"};
            return args[++i];
        };
        if (optionsEnded || a.empty() || a[0] != '-' || a == "-")
            o.operands.push_back(a);
        else if (a == "--")
            optionsEnded = true;
        else if (a == "-h" || a == "--help")
            o.help = true;
        else if (a == "-o" && allowed(" compress expand build "))
            o.outDir = value();
        else if (a == "-r" && allowed(" compress "))
            o.lz.replaceLast = true;
        else if (a == "-f" && allowed(" expand "))
            o.lz.force = true;
        else if (a == "--setup-exe" && allowed(" build "))
            o.setupExe = value();
        else if (a == "--setup-dll" && allowed(" build "))
            o.setupDll = value();
        else if (a == "--source" && allowed(" build "))
            o.sources.push_back(value());
        else if (a == "--keep-prefix" && allowed(" try "))
            o.trial.keepPrefix = value();
        else if (a == "--screenshots" && allowed(" try "))
            o.trial.screenshots = value();
        else if (a == "--json" && allowed(" try "))
            o.trial.json = true;
        else
            throw UsageError{"unknown option " + a + " for " + command};
    }
    return o;
}

const std::string& OnlyOperand(const Options& o, const char* command, const char* what) {
    if (o.operands.size() != 1)
        throw UsageError{std::string(command) + " needs exactly one " + what};
    return o.operands[0];
}

void Build(const Options& o, std::vector<Problem>& problems, Output& out) {
    const std::string& manifest = OnlyOperand(o, "build", "MANIFEST");
    if (!o.outDir)
        throw UsageError{"build needs -o DIR"};
    BuildOptions b;
    b.manifest = manifest;
    b.output = *o.outDir;
    b.setupExe = o.setupExe ? std::optional<Path>(*o.setupExe) : std::nullopt;
    b.setupDll = o.setupDll ? std::optional<Path>(*o.setupDll) : std::nullopt;
    for (const std::string& s : o.sources) {
        const size_t eq = s.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == s.size())
            throw UsageError{"--source takes NAME=PATH"};
        b.sources.emplace_back(s.substr(0, eq), Path(s.substr(eq + 1)));
    }
    b.toolFolder = ToolFolder();
    out << "building " << *o.outDir << " from " << manifest << "\n";
    if (BuildPackage(b, problems, out))
        out << "package complete: " << *o.outDir << "\n";
}

void Check(const Options& o, std::vector<Problem>& problems, Output& out) {
    const std::string& dir = OnlyOperand(o, "check", "DIR");
    if (!IsFolder(dir)) {
        problems.push_back({dir, "", "", "no such folder"});
        return;
    }
    const int entries = CheckPackage(dir, problems);
    if (!HasProblems(problems))
        out << (Path(dir) / "Setup.INF").Utf8() << ": no problems (" << entries << " entries)\n";
}

// compress and expand.
void ConvertFiles(const std::string& command, Options& o, std::vector<Problem>& problems, Output& out) {
    if (o.operands.empty())
        throw UsageError{command + " needs at least one FILE"};
    o.lz.files = o.operands;
    o.lz.outDir = o.outDir;
    (command == "compress" ? CompressFiles : ExpandFiles)(o.lz, problems, out);
}

} // namespace

int Run(const std::vector<std::string>& args, Output& out, Output& err) {
    if (args.empty()) {
        err << kUsage;
        return kExitUsage;
    }
    const std::string& command = args[0];
    if (command == "-h" || command == "--help" || command == "help") {
        out << kUsage;
        return kExitOk;
    }
    if (command == "--version") {
        out << "quorin-pack 1.50\n";
        return kExitOk;
    }
    std::vector<Problem> problems;
    try {
        if (command != "compress" && command != "expand" && command != "build" && command != "check" &&
            command != "try")
            throw UsageError{"unknown command " + command};
        Options o = Parse(command, args);
        if (o.help) {
            out << kUsage;
            return kExitOk;
        }
        if (command == "try") {
            o.trial.package = OnlyOperand(o, "try", "DIR");
            return TryPackage(o.trial, out, err);
        }
        if (command == "build")
            Build(o, problems, out);
        else if (command == "check")
            Check(o, problems, out);
        else
            ConvertFiles(command, o, problems, out);
    } catch (const UsageError& e) {
        err << "quorin-pack: " << e.message << "\nTry 'quorin-pack --help'.\n";
        return kExitUsage;
    }
    for (const Problem& p : problems)
        err << FormatProblem(p) << "\n";
    return HasProblems(problems) ? kExitProblem : kExitOk;
}

} // namespace quorin::pack
