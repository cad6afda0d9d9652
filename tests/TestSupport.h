// Scratch directories and whole conversions for the tests.
#pragma once

#include <string>

#include "cor2tavik/Conversion.h"
#include "cor2tavik/Messages.h"

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

// printf's "%<width>d".
std::string Int(int value, int width);

// Where two large texts part, not the megabytes: "" when they are the same.
std::string FirstDifference(const std::string& got, const std::string& want);

// A model of `n` nodes and `n` 8-node elements with all three result files,
// CR LF ended, and the neutral file it converts to. Values are small
// integers written as 17-digit reals, one of them varying by record; every
// record of a file has the same length.
struct LargeModel {
    explicit LargeModel(int n);
    // Writes the files into `dir` and converts them there.
    Converted ConvertIn(const ScratchDir& dir) const;

    std::string model, results[3], output;
};

}  // namespace cor2tavik::test
