// Broken compressed files through PlaceFile with the platform's LZ32 library: truncated in the
// stream or in the header, a header length larger or smaller than the data, an unknown mode,
// no bytes at all. No empty or partial file is left under the target or the recorded name, no
// temporary file stays, and a good file already installed under the target is never replaced.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "setup/application.h"
#include "setup/platform/archive.h"
#include "setup/platform/registration.h"
#include "setup/platform/uninstall_entry.h"
#include "setup/program.h"
#include "lz/encode.h"
#include "win/ansi.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Compress(const std::string& s) {
    Bytes out;
    quorin::EncodeSzdd(reinterpret_cast<const uint8_t*>(s.data()), s.size(), 'T', out);
    return out;
}

void Write(const fs::path& p, const Bytes& data) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

Bytes Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Broken {
    const char* name;
    Bytes data;
};

std::vector<Broken> BrokenFiles() {
    const std::string content = std::string(3000, 'p') + " payload end";
    const Bytes good = Compress(content);
    Bytes longer = good, shorter = good, mode = good;
    longer[10] = static_cast<uint8_t>(longer[10] + 9);
    shorter[10] = static_cast<uint8_t>(shorter[10] - 9);
    mode[8] = 'B';
    return {{"truncated stream", Bytes(good.begin(), good.begin() + static_cast<long>(good.size() / 2))},
            {"truncated header", Bytes(good.begin(), good.begin() + 11)},
            {"signature only", Bytes(good.begin(), good.begin() + 8)},
            {"length too large", longer},
            {"length too small", shorter},
            {"unknown mode", mode},
            {"0 bytes", Bytes()}};
}

class BrokenArchive : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = fs::path(temp) / (L"qbroken" + std::to_wstring(GetCurrentProcessId()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    quorin::PlaceOutcome Place() {
        return setup::PlaceFile(quorin::win::FromWide(folder_.c_str()),
                                quorin::SetupEntry{u"BROKEN.DA_", u"Installed.DAT", false}, setup::OwnFiles());
    }
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        for (const auto& e : fs::directory_iterator(folder_))
            names.push_back(e.path().filename().wstring());
        return names;
    }
    fs::path folder_;
};

TEST_F(BrokenArchive, NothingPartialIsInstalledAndNothingGoodIsReplaced) {
    ASSERT_EQ(GetACP(), 932u);
    int held = 0;
    for (const Broken& b : BrokenFiles()) {
        SCOPED_TRACE(b.name);
        for (const auto& e : fs::directory_iterator(folder_))
            fs::remove(e.path());
        Write(folder_ / L"BROKEN.DA_", b.data);
        const quorin::PlaceOutcome fresh = Place();
        EXPECT_NE(fresh, quorin::PlaceOutcome::Placed) << "a broken file was installed";
        EXPECT_FALSE(fs::exists(folder_ / L"Installed.DAT"));
        EXPECT_FALSE(fs::exists(folder_ / L"BROKEN.DAT"));
        EXPECT_EQ(Names(), std::vector<std::wstring>{L"BROKEN.DA_"}) << "a stray or temporary file stayed";
        EXPECT_EQ(Read(folder_ / L"BROKEN.DA_"), b.data) << "the compressed file was changed";

        const Bytes installed = {'g', 'o', 'o', 'd'};
        Write(folder_ / L"Installed.DAT", installed);
        Place();
        EXPECT_EQ(Read(folder_ / L"Installed.DAT"), installed) << "a good installed file was replaced";
        held += !HasFailure();
    }
    std::printf("[broken] %d of %zu broken compressed files held\n", held, BrokenFiles().size());
}

} // namespace
