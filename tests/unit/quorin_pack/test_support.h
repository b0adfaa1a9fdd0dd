// A scratch folder, quorin-pack's command line run in-process, compressed data for packages and
// the record of a trial that passes.
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
#include "lz/encode.h"
#include "try/report.h"

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

// A file's bytes; empty when it cannot be read.
inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
    std::string Read(const std::string& name) const { return ReadFile(Path(name)); }
    bool Exists(const std::string& name) const { return fs::exists(Path(name)); }

    fs::path dir_;
};

// Setup's texts as the string table holds them (what the driver records).
inline const std::string kAskInstall = "プログラムをインストールしてもよろしいですか";
inline const std::string kInstalled = "インストールが完了しました";
inline const std::string kAskUninstall = "プログラムをアンインストールしてもよろしいですか";
inline const std::string kUninstalled =
    "アンインストールが完了しました\n必要なければファイル フォルダは消去してください";

inline quorin::pack::RegistryValue Sz(const std::string& s) {
    return {"REG_SZ", s};
}

// The record of a package that behaves: one registered control, LzTrash YES.
inline quorin::pack::TrialRecord GoodRecord() {
    using namespace quorin::pack;
    TrialRecord r;
    r.title = "Ombrel's Gantrel";
    r.folder = "C:\\quorin-pack-try\\package";
    r.strings = {
        {104, kAskInstall},
        {105, kInstalled},
        {106, kAskUninstall},
        {107, kUninstalled},
        {202, "セットアップ スクリプトに誤りがあるため、セットアップを終了します\n\n'$'\n\nセクション [$] "
              "のキー $ の値 '$' にコンマ (,) がありません"},
        {301, "次のファイルはプログラムの場所の外を指しているため、処理しませんでした\n\n$"},
        {303, "次のファイルを正しくインストールできませんでした\n\n$"}};
    r.lzTrash = {"JOYSTICK.OC_"};
    auto run = [](const char* name, Offered toPress, Offered offered, std::vector<std::string> texts) {
        const bool pressed = toPress != Offered::Unknown && toPress == offered;
        SetupRunRecord run{name, toPress, offered, pressed, {}, true, true, 0, 3.25, {}, {}};
        for (const std::string& t : texts)
            run.boxes.push_back({"Ombrel's Quorin Installer", t});
        return run;
    };
    r.runs = {run(kRunInstall, Offered::Install, Offered::Install, {kAskInstall, kInstalled}),
              run(kRunUninstall, Offered::Uninstall, Offered::Uninstall, {kAskUninstall, kUninstalled}),
              run(kRunAfterUninstall, Offered::Unknown, Offered::Install, {})};
    Snapshot& before = r.snapshots[kSnapshotBefore];
    before.folder = {
        {"Setup.EXE", {false, 100, 1}}, {"Setup.INF", {false, 50, 2}}, {"Joystick.OC_", {false, 70, 3}}};
    before.registry = {{"HKEY_CURRENT_USER\\Software", {}}, {"HKEY_CLASSES_ROOT\\CLSID", {}}};
    Snapshot& installed = r.snapshots[kSnapshotInstalled] = before;
    installed.folder.erase("Joystick.OC_");
    installed.folder["Joystick.OCX"] = {false, 140, 4};
    installed.registry[kInstallRecordKey] = {{"Ombrel's Gantrel", Sz(r.folder)}};
    installed.registry[std::string(kUninstallListKey) + "\\Ombrel's Gantrel"] = {
        {"DisplayName", Sz(r.title)}, {"UninstallString", Sz(r.folder + "\\Setup.EXE")}};
    installed.registry["HKEY_CLASSES_ROOT\\CLSID\\{70AAD8E8-CD9A-11D5-BBA9-ECA80BC13402}"] = {
        {"", Sz("Ombrel's Gantrel")}};
    r.snapshots[kSnapshotUninstalled] = before;
    r.snapshots[kSnapshotUninstalled].folder.erase("Joystick.OC_");
    return r;
}

} // namespace pack_test
