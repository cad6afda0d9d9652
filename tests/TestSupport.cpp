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
        text += std::string(NamePart(p.file)) + ":" + std::to_string(p.line) + ": " + Message(p) + "\n";
    return text;
}

std::string Int(int value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%*d", width, value);
    return text;
}

std::string FirstDifference(const std::string& got, const std::string& want) {
    if (got == want) return "";
    const std::size_t at = std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin();
    return "at byte " + std::to_string(at) + ": got \"" + got.substr(at, 80) + "\", want \"" + want.substr(at, 80) + "\"";
}

LargeModel::LargeModel(int n) {
    auto real = [](int k) { return Int(k, 2) + ".0000000000000000E+00 "; };
    auto field = [](int k) { return k == 0 ? std::string("0.000000E+000") : Int(k, 1) + (k > 0 ? ".000000E+000" : ".00000E+000"); };
    model = "LARGE\r\nMODEL\r\nNODE" + Int(n, 8) + "\r\n";
    std::string modelElements = "ELEM" + Int(n, 8) + "\r\n", nodes, elements, blocks[3];
    const char* labels[] = {"NODE", "ELEMENT", "ELEMENT"};
    for (int f = 0; f < 3; ++f) results[f] = "R\r\n" + std::string(labels[f]) + " = " + std::to_string(n) + "\r\nLABEL\r\n";
    for (int i = 0; i < n; ++i) {
        const int v = i % 19 - 9;
        model += Int(1000 + i, 8) + real(v) + real(1) + real(-2) + "\r\n";
        nodes += "  " + Int(1000 + i, 8) + "       0       0  000000       " + field(v) + field(1) + field(-2) + "\r\n";
        results[0] += Int(i + 1, 8) + ":" + real(-v) + real(0) + real(3) + "\r\n";
        blocks[0] += "  " + Int(1000 + i, 8) + "\r\n  " + field(-v) + field(0) + field(3) + "\r\n";
        for (int f = 1; f < 3; ++f) {
            results[f] += Int(i + 1, 8) + ":" + real(f) + real(v) + real(0) + real(0) + real(-f) + real(9) + "\r\n";
            blocks[f] += "  " + Int(i + 1, 8) + "   308       1       1       0\r\n  " + field(f) + field(v) +
                         field(0) + field(0) + field(-f) + field(9) + "\r\n";
        }
        modelElements += Int(i + 1, 8) + "   308     8";
        elements += "  " + Int(i + 1, 8) + "   308        " + Int(0, 8);
        for (int j = 0; j < 8; ++j) {
            modelElements += Int(1000 + (i + j) % n, 8);
            elements += Int(1000 + (i + j) % n, 8) + (j == 5 ? "\r\n        " : "");
        }
        modelElements += "\r\n";
        elements += "\r\n";
    }
    model += modelElements;
    const std::string preamble = "         1     1\r\n         1\r\n";
    output = Header() + "12\r\n" + nodes + "-1\r\n13\r\n" + elements + "-1\r\n52\r\n" + preamble + blocks[0] +
             "-1\r\n72\r\n" + preamble + blocks[1] + "-1\r\n73\r\n" + preamble + blocks[2] + "-1\r\n99\r\n";
}

Converted LargeModel::ConvertIn(const ScratchDir& dir) const {
    for (const auto& [name, text] : {std::pair{"model.dat3", &model}, {"Displacement.dat", &results[0]},
                                     {"Stress.dat", &results[1]}, {"Strain.dat", &results[2]}})
        dir.Write(name, *text);
    return Convert(dir);
}

}  // namespace cor2tavik::test
