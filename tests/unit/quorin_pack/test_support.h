// A scratch folder, quorin-pack's command line run in-process, and LZ data for packages.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "command_line.h"
#include "lz/decode.h"
#include "lz/encode.h"

namespace pack_test {

namespace fs = std::filesystem;

struct RunResult {
    int status;
    std::string out, err;
};

inline RunResult RunPack(const std::vector<std::string>& args) {
    quorin::pack::StringOutput out, err;
    const int status = quorin::pack::Run(args, out, err);
    return {status, out.str(), err.str()};
}

inline std::string Compressed(const std::string& text, char missing = 'X') {
    std::vector<uint8_t> out;
    quorin::EncodeSzdd(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                       static_cast<uint8_t>(missing), out);
    return std::string(out.begin(), out.end());
}

// What an LZ file expands to, and the character its header records; none when it does not decode.
inline std::optional<std::string> Expanded(const std::string& file, uint8_t* missing = nullptr) {
    std::vector<uint8_t> out;
    quorin::SzddHeader header;
    if (quorin::DecodeSzdd(reinterpret_cast<const uint8_t*>(file.data()), file.size(), out, &header) !=
        quorin::SzddStatus::Ok)
        return std::nullopt;
    if (missing)
        *missing = header.missingChar;
    return std::string(out.begin(), out.end());
}

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("quorin-pack-test-" + std::to_string(std::random_device()()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Path(const std::string& name) const { return dir_ / fs::u8path(name); }
    std::string P(const std::string& name) const { return Path(name).u8string(); }
    void Write(const std::string& name, const std::string& data) const {
        fs::create_directories(Path(name).parent_path());
        std::ofstream(Path(name), std::ios::binary) << data;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& name) const { return fs::exists(Path(name)); }

    fs::path dir_;
};

} // namespace pack_test
