#include "TestSupport.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

namespace cor2tavik::test {

namespace {
void RemoveTree(const std::string& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0) return;
    if (S_ISDIR(status.st_mode)) {
        ::chmod(path.c_str(), 0700);
        if (DIR* dir = ::opendir(path.c_str())) {
            while (dirent* entry = ::readdir(dir)) {
                std::string name = entry->d_name;
                if (name != "." && name != "..") RemoveTree(path + "/" + name);
            }
            ::closedir(dir);
        }
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}
}  // namespace

ScratchDir::ScratchDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/cor2tavik-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    path_ = buffer.data();
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

void ScratchDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(*this / name, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) ADD_FAILURE() << "cannot write " << name;
}
std::string ScratchDir::Read(const std::string& name) const { return ReadFile(*this / name); }
std::string ScratchDir::ListOf(const std::string& directory) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(directory.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::string list;
    for (const auto& name : names) list += (list.empty() ? "" : " ") + name;
    return list;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}



ConversionOptions FixedOptions() {
    ConversionOptions options;
    std::tm t{};
    t.tm_year = 2004 - 1900;
    t.tm_mday = 20;
    t.tm_hour = 2;
    t.tm_min = 35;
    t.tm_sec = 10;
    options.timestamp = t;
    return options;
}

std::string Header() {
    return " 1\r\nVERSION  5. 0. 0DATE2004/ 1/20TIME 2:35:10\r\n 2\r\nCorvantis Data\r\n 3\r\nTAVIK/QR Ver 5.0\r\n";
}

Converted Convert(const ScratchDir& dir) {
    Converted result;
    result.status = RunConversion(dir / "model", dir.path() + "/", result.report, FixedOptions());
    result.output = dir.Read("model.std");
    return result;
}

std::string Problems(const ConversionReport& report) {
    std::string text;
    for (const Problem& p : report.problems) {
        std::string file = p.file.substr(p.file.rfind('/') + 1);
        text += file + ":" + std::to_string(p.line) + ": " + p.message + "\n";
    }
    return text;
}

}  // namespace cor2tavik::test
