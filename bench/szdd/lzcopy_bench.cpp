// The Windows half of the codec benchmark, run under Wine by szdd_bench: for each compressed
// file, the platform's LZCopy (file to file) against our decoder (file to file, and in memory).
//   szdd_bench_win32.exe REPEATS OUTPUT_FOLDER FILE...
// Prints one line per file: "name bytes lzcopy_s ours_file_s ours_memory_s" (best of REPEATS).
#include <windows.h>
#include <lzexpand.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lz/decode.h"

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool ReadAll(const std::string& path, std::vector<uint8_t>& bytes) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    ::GetFileSizeEx(h, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    const bool ok =
        bytes.empty() ||
        (::ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) && got == bytes.size());
    ::CloseHandle(h);
    return ok;
}

bool WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    const bool ok =
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size();
    ::CloseHandle(h);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: szdd_bench_win32.exe REPEATS OUTPUT_FOLDER FILE...\n");
        return 2;
    }
    const int repeats = std::atoi(argv[1]);
    const std::string folder = argv[2];
    for (int i = 3; i < argc; ++i) {
        std::string in = argv[i];
        const std::string name = in.substr(in.find_last_of("\\/") + 1);
        std::string outLz = folder + "\\lzcopy-" + name;
        const std::string outOurs = folder + "\\ours-" + name;
        double bestLz = 1e9, bestFile = 1e9, bestMemory = 1e9;
        LONG copied = 0;
        std::vector<uint8_t> packed, plain;
        for (int r = 0; r < repeats; ++r) {
            double t0 = Now();
            OFSTRUCT a{}, b{};
            INT src = ::LZOpenFileA(in.data(), &a, OF_READ);
            INT dst = ::LZOpenFileA(outLz.data(), &b, OF_CREATE);
            copied = ::LZCopy(src, dst);
            ::LZClose(src);
            ::LZClose(dst);
            bestLz = std::min(bestLz, Now() - t0);

            t0 = Now();
            if (!ReadAll(in, packed) ||
                quorin::DecodeSzdd(packed.data(), packed.size(), plain) != quorin::SzddStatus::Ok ||
                !WriteAll(outOurs, plain)) {
                std::fprintf(stderr, "%s: our decoder failed\n", name.c_str());
                return 1;
            }
            bestFile = std::min(bestFile, Now() - t0);

            t0 = Now();
            quorin::DecodeSzdd(packed.data(), packed.size(), plain);
            bestMemory = std::min(bestMemory, Now() - t0);
        }
        if (copied != static_cast<LONG>(plain.size())) {
            std::fprintf(stderr, "%s: LZCopy wrote %ld bytes, expected %zu\n", name.c_str(),
                         static_cast<long>(copied), plain.size());
            return 1;
        }
        ::DeleteFileA(outLz.c_str());
        ::DeleteFileA(outOurs.c_str());
        std::printf("%s %zu %.6f %.6f %.6f\n", name.c_str(), plain.size(), bestLz, bestFile, bestMemory);
    }
    return 0;
}
