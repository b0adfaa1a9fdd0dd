// The format against implementations written elsewhere: our files expand byte for byte with
// libmspack's SZDD decoder, and mscompress's files with quorin-pack expand.
#include <mspack.h>

#include <cstdlib>

#include "test_support.h"

using namespace pack_test;

namespace {

// Structured and random inputs, and the start of a real program and a text from this machine.
std::vector<std::pair<std::string, std::string>> Corpus() {
    std::mt19937 rng(2004);
    auto random = [&](size_t n, uint32_t alphabet) {
        std::string s(n, '\0');
        for (char& c : s)
            c = static_cast<char>(rng() % alphabet);
        return s;
    };
    std::vector<std::pair<std::string, std::string>> corpus = {
        {"one.bin", "x"},
        {"spaces.txt", std::string(5000, ' ')},
        {"zeros.bin", std::string(70000, '\0')},
        {"random.bin", random(60000, 256)},
        {"small.abc", random(9000, 3)},
        {"wrap.txt", random(4097, 40)},
    };
    for (const char* path : {"/bin/ls", "/usr/share/common-licenses/GPL-3"}) {
        const std::string b = ReadFile(path);
        if (!b.empty())
            corpus.emplace_back(fs::path(path).filename().string() + ".dat", b.substr(0, 100000));
    }
    return corpus;
}

class Interop : public ScratchFolder {};

TEST_F(Interop, OurFilesExpandWithLibmspack) {
    msszdd_decompressor* lib = mspack_create_szdd_decompressor(nullptr);
    ASSERT_NE(lib, nullptr);
    for (const auto& [name, data] : Corpus()) {
        SCOPED_TRACE(name);
        Write(name, data);
        ASSERT_EQ(RunPack({"compress", "-r", P(name)}).status, 0);
        const std::string shipped = name.substr(0, name.size() - 1) + "_";
        EXPECT_EQ(lib->decompress(lib, P(shipped).c_str(), P("mspack.out").c_str()), MSPACK_ERR_OK);
        EXPECT_EQ(Read("mspack.out"), data);
        msszddd_header* header = lib->open(lib, P(shipped).c_str());
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->length, static_cast<off_t>(data.size()));
        EXPECT_EQ(header->missing_char, name.back());
        lib->close(lib, header);
    }
    mspack_destroy_szdd_decompressor(lib);
}

TEST_F(Interop, MscompressFilesExpandWithQuorinPack) {
    fs::create_directories(Path("out"));
    for (const auto& [name, data] : Corpus()) {
        // mscompress writes wrong data for inputs under 16 bytes; its own msexpand disagrees.
        if (data.size() < 16)
            continue;
        SCOPED_TRACE(name);
        Write(name, data);
        ASSERT_EQ(std::system((std::string(MSCOMPRESS) + " '" + P(name) + "'").c_str()), 0);
        const RunResult r = RunPack({"expand", P(name + "_"), "-o", P("out")});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Read("out/" + name), data);
        // Ours is never larger, and smaller wherever there is anything to compress (on random
        // data both find the same few three-byte matches).
        ASSERT_EQ(RunPack({"compress", P(name), "-o", P("out")}).status, 0);
        const size_t ours = Read("out/" + name + "_").size(), theirs = Read(name + "_").size();
        EXPECT_LE(ours, theirs);
        if (ours < data.size()) {
            EXPECT_LT(ours, theirs);
        }
    }
}

} // namespace
