// Scratch directories and whole conversions for the tests.
#pragma once

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
    // Names in the directory, sorted, for spotting leftover files.
    std::string List() const { return ListOf(path_); }
    static std::string ListOf(const std::string& directory);

private:
    std::string path_;
};

// Options that stamp the given local time on the version line.
ConversionOptions OptionsAt(int year, int month, int day, int hour, int minute, int second);
// 20 January 2004, 02:35:10.
inline ConversionOptions FixedOptions() { return OptionsAt(2004, 1, 20, 2, 35, 10); }
// The header blocks every neutral file starts with, at FixedOptions()' time.
std::string Header();

// Converts dir/model.dat3 (with the result files in dir) at the fixed time.
struct Converted {
    int status;
    ConversionReport report;
    std::string output;  // the neutral file, "" when none
};
Converted Convert(const ScratchDir& dir);

// "file:line: message" lines of a report's problems.
std::string Problems(const ConversionReport& report);

}  // namespace cor2tavik::test
