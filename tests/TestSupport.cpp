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

void ScratchDir::Write(const std::string& name, const std::string& bytes) const { WriteFile(*this / name, bytes); }
std::string ScratchDir::Read(const std::string& name) const { return ReadFile(*this / name); }
bool ScratchDir::Exists(const std::string& name) const { return ::access((*this / name).c_str(), F_OK) == 0; }

std::string ScratchDir::List() const {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(path_.c_str())) {
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

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

std::tm FixedTime() {
    std::tm t{};
    t.tm_year = 2004 - 1900;
    t.tm_mon = 0;
    t.tm_mday = 20;
    t.tm_hour = 2;
    t.tm_min = 35;
    t.tm_sec = 10;
    return t;
}

ConversionOptions FixedOptions() {
    ConversionOptions options;
    options.timestamp = FixedTime();
    return options;
}

std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string Header() {
    return Crlf(" 1\nVERSION  5. 0. 0DATE2004/ 1/20TIME 2:35:10\n 2\nCorvantis Data\n 3\nTAVIK/QR Ver 5.0\n");
}

Converted Convert(const ScratchDir& dir, const std::string& stem) {
    Converted result;
    result.report = RunConversion(dir / stem, dir.path() + "/", FixedOptions());
    result.status = result.report.written() ? 0 : -1;
    if (dir.Exists(stem + ".std")) result.output = dir.Read(stem + ".std");
    return result;
}

std::string Problems(const ConversionReport& report) {
    std::string text;
    for (const Problem& p : report.problems) {
        std::string file = p.file.substr(p.file.rfind('/') + 1);
        text += file + ":" + std::to_string(p.line) + ": " + Message(p) + "\n";
    }
    return text;
}

}  // namespace cor2tavik::test
