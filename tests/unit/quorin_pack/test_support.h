// A scratch folder and a way to run quorin-pack's command line in-process.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "command_line.h"

namespace pack_test {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

inline Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

inline RunResult RunPack(const std::vector<std::string>& args) {
    quorin::pack::StringOutput out, err;
    const int status = quorin::pack::Run(args, out, err);
    return {status, out.str(), err.str()};
}

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() / ("quorin-pack-test-" + std::to_string(rd()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Path(const std::string& name) const { return dir_ / fs::u8path(name); }
    std::string P(const std::string& name) const { return Path(name).u8string(); }
    void Write(const std::string& name, const Bytes& data) const {
        fs::create_directories(Path(name).parent_path());
        std::ofstream(Path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    void Write(const std::string& name, const std::string& text) const { Write(name, ToBytes(text)); }
    Bytes Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& name) const { return fs::exists(Path(name)); }

    fs::path dir_;
};

} // namespace pack_test
