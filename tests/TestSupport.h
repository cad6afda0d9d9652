// Scratch directories and whole conversions for the tests.
#pragma once

#include <ctime>
#include <string>

#include "cor2tavik/Conversion.h"

namespace cor2tavik::test {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;
    // Names in the directory, sorted, for spotting leftover files.
    std::string List() const;

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// 20 January 2004, 02:35:10: the version line then reads
// "VERSION  5. 0. 0DATE2004/ 1/20TIME 2:35:10".
std::tm FixedTime();
ConversionOptions FixedOptions();

// The header blocks every neutral file starts with, at FixedTime().
std::string Header();

// Turns "\n" into "\r\n": expected outputs are written with plain line ends.
std::string Crlf(const std::string& text);

// Converts dir/model.dat3 (with the result files in dir) at FixedTime().
struct Converted {
    int status;
    ConversionReport report;
    std::string output;  // the neutral file, "" when none
};
Converted Convert(const ScratchDir& dir, const std::string& stem = "model");

// "file:line: message" lines of a report's problems, for readable asserts.
std::string Problems(const ConversionReport& report);

}  // namespace cor2tavik::test
