#include "TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

namespace cor2tavik::test {

ScratchDir::ScratchDir() {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    std::random_device seed;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "cor2tavik-test-%08x", static_cast<unsigned>(seed()));
        // With '/' on Windows too, so that `dir / name` reads alike everywhere.
        if (fs::create_directory(base / name, error)) path_ = (base / name).generic_string();
    }
    if (path_.empty()) ADD_FAILURE() << "cannot make a scratch directory in " << base;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void ScratchDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(*this / name, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) ADD_FAILURE() << "cannot write " << name;
}

std::string ScratchDir::Read(const std::string& name) const {
    std::ostringstream bytes;
    bytes << std::ifstream(*this / name, std::ios::binary).rdbuf();
    return bytes.str();
}

std::string ScratchDir::ListOf(const std::string& directory) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    std::string list;
    for (const auto& name : names) list += (list.empty() ? "" : " ") + name;
    return list;
}

ConversionOptions OptionsAt(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day;
    t.tm_hour = hour, t.tm_min = minute, t.tm_sec = second;
    ConversionOptions options;
    options.timestamp = t;
    return options;
}

std::string Header() {
    return " 1\r\nVERSION  5. 0. 0DATE2004/ 1/20TIME 2:35:10\r\n 2\r\nCorvantis Data\r\n 3\r\nTAVIK/QR Ver 5.0\r\n";
}

Converted Convert(const ScratchDir& dir) {
    Converted result;
    result.report = RunConversion(dir / "model", dir.path() + "/", FixedOptions());
    result.status = result.report.written() ? 0 : -1;
    result.output = dir.Read("model.std");
    return result;
}

std::string Problems(const ConversionReport& report) {
    std::string text;
    for (const Problem& p : report.problems)
        text += p.file.substr(p.file.find_last_of(kPathSeparators) + 1) + ":" + std::to_string(p.line) + ": " + Message(p) + "\n";
    return text;
}

}  // namespace cor2tavik::test
