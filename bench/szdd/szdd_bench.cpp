// The LZ codec against real peers, in one run, on a corpus built from files on this machine:
// decoding against libmspack (in memory, both), memcpy and the platform's LZCopy under Wine;
// encoding against mscompress (sizes and time). Prints the ratios; asserts nothing.
//   szdd_bench [--repeats N] [--megabytes M] [--no-wine]
#include <fcntl.h>
#include <mspack.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "lz/decode.h"
#include "lz/encode.h"

extern char** environ;

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

template <typename F> double Best(int repeats, F&& f) {
    double best = 1e30;
    for (int r = 0; r < repeats; ++r) {
        const auto t0 = Clock::now();
        f();
        best = std::min(best, Seconds(t0, Clock::now()));
    }
    return best;
}

Bytes ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Concatenates the files matching `keep` below `root` (sorted by path) up to `size` bytes.
Bytes Gather(const fs::path& root, size_t size, bool (*keep)(const fs::path&), size_t& used) {
    std::vector<fs::path> paths;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
         it != end; it.increment(ec))
        if (!ec && it->is_regular_file(ec) && !it->is_symlink(ec) && keep(it->path()))
            paths.push_back(it->path());
    std::sort(paths.begin(), paths.end());
    Bytes out;
    used = 0;
    for (const fs::path& p : paths) {
        if (out.size() >= size)
            break;
        Bytes b = ReadFile(p);
        out.insert(out.end(), b.begin(),
                   b.begin() + static_cast<ptrdiff_t>(std::min(b.size(), size - out.size())));
        ++used;
    }
    return out;
}

bool EndsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// libmspack reading and writing memory through its system interface.
struct MemFile {
    const Bytes* in = nullptr;
    Bytes* out = nullptr;
    size_t pos = 0;
};
struct MemSystem {
    mspack_system sys;
    const Bytes* input;
    Bytes* output;
};

mspack_file* MemOpen(mspack_system* self, const char*, int mode) {
    auto* ms = reinterpret_cast<MemSystem*>(self);
    auto* f = new MemFile;
    if (mode == MSPACK_SYS_OPEN_READ) {
        f->in = ms->input;
    } else {
        f->out = ms->output;
        f->out->clear();
    }
    return reinterpret_cast<mspack_file*>(f);
}
void MemClose(mspack_file* file) {
    delete reinterpret_cast<MemFile*>(file);
}
int MemRead(mspack_file* file, void* buffer, int bytes) {
    auto* f = reinterpret_cast<MemFile*>(file);
    const size_t n = std::min(static_cast<size_t>(bytes), f->in->size() - f->pos);
    std::memcpy(buffer, f->in->data() + f->pos, n);
    f->pos += n;
    return static_cast<int>(n);
}
int MemWrite(mspack_file* file, void* buffer, int bytes) {
    auto* f = reinterpret_cast<MemFile*>(file);
    const auto* b = static_cast<const uint8_t*>(buffer);
    f->out->insert(f->out->end(), b, b + bytes);
    return bytes;
}
int MemSeek(mspack_file* file, off_t offset, int mode) {
    auto* f = reinterpret_cast<MemFile*>(file);
    const size_t size = f->in ? f->in->size() : f->out->size();
    off_t base = mode == MSPACK_SYS_SEEK_START ? 0
                 : mode == MSPACK_SYS_SEEK_CUR ? static_cast<off_t>(f->pos)
                                               : static_cast<off_t>(size);
    if (base + offset < 0 || base + offset > static_cast<off_t>(size))
        return -1;
    f->pos = static_cast<size_t>(base + offset);
    return 0;
}
off_t MemTell(mspack_file* file) {
    return static_cast<off_t>(reinterpret_cast<MemFile*>(file)->pos);
}
void MemMessage(mspack_file*, const char*, ...) {}
void* MemAlloc(mspack_system*, size_t bytes) {
    return std::malloc(bytes);
}
void MemFree(void* p) {
    std::free(p);
}
void MemCopy(void* src, void* dst, size_t bytes) {
    std::memmove(dst, src, bytes);
}

int Spawn(const std::vector<std::string>& args, const std::string& outputFile = "") {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outputFile.empty())
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string WinePath(const fs::path& p) {
    std::string s = "Z:" + fs::absolute(p).string();
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

struct Row {
    std::string name;
    std::string origin;
    Bytes raw;
    Bytes ours;
    size_t msSize = 0;
    double encodeOurs = 0, encodeMs = 0;
    double decodeOurs = 0, decodeMspack = 0, memcpyTime = 0;
    double lzcopy = 0, oursFileWine = 0, oursMemoryWine = 0;
};

double MBps(size_t bytes, double seconds) {
    return seconds > 0 ? static_cast<double>(bytes) / seconds / 1e6 : 0;
}

} // namespace

int main(int argc, char** argv) {
    int repeats = 7;
    size_t megabytes = 4;
    bool wine = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--repeats" && i + 1 < argc)
            repeats = std::max(1, std::atoi(argv[++i]));
        else if (a == "--megabytes" && i + 1 < argc)
            megabytes = static_cast<size_t>(std::max(1, std::atoi(argv[++i])));
        else if (a == "--no-wine")
            wine = false;
        else {
            std::fprintf(stderr, "usage: szdd_bench [--repeats N] [--megabytes M] [--no-wine]\n");
            return 2;
        }
    }
    const size_t size = megabytes * 1000 * 1000;
    const fs::path work = fs::temp_directory_path() / ("szdd-bench-" + std::to_string(getpid()));
    fs::create_directories(work / "ms");

    // The corpus.
    std::vector<Row> rows(4);
    size_t used = 0;
    rows[0].name = "executables";
    rows[0].raw = Gather(
        QUORIN_WINE_PE_DIR, size,
        [](const fs::path& p) {
            const std::string s = p.string();
            return EndsWith(s, ".dll") || EndsWith(s, ".exe");
        },
        used);
    rows[0].origin = std::to_string(used) + " Windows programs and libraries (Wine's)";
    rows[1].name = "text";
    rows[1].raw = Gather(
        "/usr/share/doc", size, [](const fs::path& p) { return p.filename() == "copyright"; }, used);
    rows[1].origin = std::to_string(used) + " copyright files from /usr/share/doc";
    rows[2].name = "compressed";
    rows[2].raw = Gather(
        "/usr/share/doc", size, [](const fs::path& p) { return EndsWith(p.string(), ".gz"); }, used);
    rows[2].origin = std::to_string(used) + " .gz files from /usr/share/doc";
    rows[3].name = "zeros";
    rows[3].raw.assign(size, 0);
    rows[3].origin = "a run of zero bytes";

    std::printf("corpus (%zu MB each):\n", megabytes);
    for (Row& r : rows)
        std::printf("  %-12s %9zu bytes: %s\n", r.name.c_str(), r.raw.size(), r.origin.c_str());
    std::fflush(stdout);

    MemSystem mem;
    mem.sys = mspack_system{};
    mem.sys.open = MemOpen;
    mem.sys.close = MemClose;
    mem.sys.read = MemRead;
    mem.sys.write = MemWrite;
    mem.sys.seek = MemSeek;
    mem.sys.tell = MemTell;
    mem.sys.message = MemMessage;
    mem.sys.alloc = MemAlloc;
    mem.sys.free = MemFree;
    mem.sys.copy = MemCopy;
    msszdd_decompressor* mspack = mspack_create_szdd_decompressor(&mem.sys);

    for (Row& r : rows) {
        // Encoding: ours in memory; mscompress as it runs, a file in and a file out.
        r.encodeOurs = Best(std::min(repeats, 2), [&] {
            r.ours.clear();
            quorin::EncodeSzdd(r.raw.data(), r.raw.size(), 0, r.ours);
        });
        const fs::path msIn = work / "ms" / r.name;
        WriteFile(msIn, r.raw);
        r.encodeMs = Best(std::min(repeats, 2), [&] {
            fs::remove(work / "ms" / (r.name + "_"));
            Spawn({"mscompress", msIn.string()});
        });
        r.msSize = fs::file_size(work / "ms" / (r.name + "_"));

        // Decoding, everything in memory, best of the repeats.
        Bytes out;
        if (quorin::DecodeSzdd(r.ours.data(), r.ours.size(), out) != quorin::SzddStatus::Ok || out != r.raw) {
            std::fprintf(stderr, "%s: our round trip failed\n", r.name.c_str());
            return 1;
        }
        r.decodeOurs = Best(repeats, [&] { quorin::DecodeSzdd(r.ours.data(), r.ours.size(), out); });
        Bytes mspackOut;
        mspackOut.reserve(r.raw.size());
        mem.input = &r.ours;
        mem.output = &mspackOut;
        r.decodeMspack = Best(repeats, [&] { mspack->decompress(mspack, "in", "out"); });
        if (mspackOut != r.raw) {
            std::fprintf(stderr, "%s: libmspack disagrees\n", r.name.c_str());
            return 1;
        }
        Bytes copy(r.raw.size());
        r.memcpyTime = Best(repeats, [&] { std::memcpy(copy.data(), r.raw.data(), r.raw.size()); });
        WriteFile(work / (r.name + ".lz"), r.ours);
        std::printf("measured %s\n", r.name.c_str());
        std::fflush(stdout);
    }
    mspack_destroy_szdd_decompressor(mspack);

    // LZCopy: one Windows process under Wine, the same compressed files.
    bool wineOk = false;
    if (wine) {
        std::vector<std::string> args = {QUORIN_WINE_RUN,         "--prefix",
                                         QUORIN_BENCH_WINEPREFIX, SZDD_BENCH_WIN32_EXE,
                                         std::to_string(repeats), WinePath(work)};
        for (const Row& r : rows)
            args.push_back(WinePath(work / (r.name + ".lz")));
        const fs::path report = work / "wine.txt";
        if (Spawn(args, report.string()) == 0) {
            std::istringstream in(
                std::string((std::istreambuf_iterator<char>(std::ifstream(report).rdbuf())), {}));
            std::string name;
            size_t bytes;
            double lz, file, memory;
            while (in >> name >> bytes >> lz >> file >> memory)
                for (Row& r : rows)
                    if (name == r.name + ".lz") {
                        r.lzcopy = lz;
                        r.oursFileWine = file;
                        r.oursMemoryWine = memory;
                        wineOk = true;
                    }
        }
        if (!wineOk)
            std::fprintf(stderr, "the Windows benchmark did not run (see %s)\n", report.c_str());
    }

    std::printf("\nDecoding (MB/s of output, best of %d; ratios = ours / theirs):\n\n", repeats);
    std::printf("| file | ours | libmspack | ours / libmspack | memcpy | ours / memcpy |%s\n",
                wineOk
                    ? " LZCopy (Wine) | ours, file to file (Wine) | ours / LZCopy | ours, in memory (Wine) |"
                    : "");
    std::printf("|---|---:|---:|---:|---:|---:|%s\n", wineOk ? "---:|---:|---:|---:|" : "");
    for (const Row& r : rows) {
        const size_t n = r.raw.size();
        std::printf("| %s | %.0f | %.0f | %.2fx | %.0f | %.3f |", r.name.c_str(), MBps(n, r.decodeOurs),
                    MBps(n, r.decodeMspack), r.decodeMspack / r.decodeOurs, MBps(n, r.memcpyTime),
                    r.memcpyTime / r.decodeOurs);
        if (wineOk)
            std::printf(" %.0f | %.0f | %.2fx | %.0f |", MBps(n, r.lzcopy), MBps(n, r.oursFileWine),
                        r.lzcopy / r.oursFileWine, MBps(n, r.oursMemoryWine));
        std::printf("\n");
    }

    std::printf(
        "\nEncoding (compressed bytes; time in seconds, ours in memory, mscompress file to file):\n\n");
    std::printf("| file | input | ours | mscompress | ours smaller by | ours time | mscompress time | ours "
                "faster by |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    size_t totalIn = 0, totalOurs = 0, totalMs = 0;
    double timeOurs = 0, timeMs = 0;
    for (const Row& r : rows) {
        std::printf("| %s | %zu | %zu | %zu | %.3f%% | %.3f | %.3f | %.1fx |\n", r.name.c_str(), r.raw.size(),
                    r.ours.size(), r.msSize,
                    100.0 * (1.0 - static_cast<double>(r.ours.size()) / static_cast<double>(r.msSize)),
                    r.encodeOurs, r.encodeMs, r.encodeMs / r.encodeOurs);
        totalIn += r.raw.size();
        totalOurs += r.ours.size();
        totalMs += r.msSize;
        timeOurs += r.encodeOurs;
        timeMs += r.encodeMs;
    }
    std::printf("| total | %zu | %zu | %zu | %.3f%% | %.3f | %.3f | %.1fx |\n", totalIn, totalOurs, totalMs,
                100.0 * (1.0 - static_cast<double>(totalOurs) / static_cast<double>(totalMs)), timeOurs,
                timeMs, timeMs / timeOurs);
    fs::remove_all(work);
    return 0;
}
