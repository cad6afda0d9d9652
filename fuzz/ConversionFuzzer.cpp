// A whole job from arbitrary files. The input is split at "@@@@" into the
// model file and then Displacement.dat, Stress.dat and Strain.dat; a file
// whose part is missing does not exist. An earlier neutral file is in place.
// Checked: the status agrees with the report, a written file is framed as a
// neutral file, a failed job left the earlier one byte for byte, and the
// directory holds no file it did not hold before.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "FuzzSupport.h"

namespace fs = std::filesystem;

namespace cor2tavik::fuzz {
namespace {

constexpr std::string_view kEarlier = "an earlier neutral file\r\n";
// The first lines of every neutral file at the fixed time below.
constexpr std::string_view kHead =
    " 1\r\nVERSION  5. 0. 0DATE2004/ 1/20TIME 2:35:10\r\n 2\r\nCorvantis Data\r\n 3\r\nTAVIK/QR Ver 5.0\r\n12\r\n";
constexpr std::string_view kTail = "-1\r\n99\r\n";

// One directory per process, on tmpfs when there is one, removed at exit.
struct Dir {
    std::string path;
    Dir() {
        std::string pattern = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : fs::temp_directory_path().string()) +
                              "/cor2tavik-fuzz-XXXXXX";
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        path = pattern;
    }
    ~Dir() { fs::remove_all(path); }
};

void Put(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    FUZZ_CHECK(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).good());
}

}  // namespace
}  // namespace cor2tavik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cor2tavik;
    using namespace cor2tavik::fuzz;
    static const Dir scratch;
    const std::string& dir = scratch.path;
    std::string_view rest = Bytes(data, size);
    std::set<std::string> expected = {"model.dat3", "model.std"};
    Put(dir + "/model.std", kEarlier);
    bool more = true;
    for (const char* name : {"model.dat3", "Displacement.dat", "Stress.dat", "Strain.dat"}) {
        if (!more) {
            fs::remove(dir + "/" + name);
            continue;
        }
        const std::size_t at = rest.find("@@@@");
        Put(dir + "/" + name, rest.substr(0, at));
        expected.insert(name);
        more = at != std::string_view::npos;
        rest.remove_prefix(more ? at + 4 : rest.size());
    }

    std::tm fixed{};
    fixed.tm_year = 104, fixed.tm_mday = 20, fixed.tm_hour = 2, fixed.tm_min = 35, fixed.tm_sec = 10;
    ConversionOptions options;
    options.timestamp = fixed;
    options.threads = 1 + size % 4;  // every thread plan, by the input's length
    const ConversionReport report = RunConversion(dir + "/model", dir, options);

    FUZZ_CHECK(report.outputPath == dir + "/model.std");
    std::ostringstream bytes;
    bytes << std::ifstream(dir + "/model.std", std::ios::binary).rdbuf();
    const std::string output = bytes.str();
    if (report.written()) {
        FUZZ_CHECK(output.size() >= kHead.size() + kTail.size() && output.starts_with(kHead) &&
                   output.ends_with(kTail) && output.find('\0') == std::string::npos);
        // Every line ends in CR LF, and no CR stands anywhere else.
        for (std::size_t i = 0; i < output.size(); ++i) {
            if (output[i] == '\r') FUZZ_CHECK(i + 1 < output.size() && output[i + 1] == '\n');
            if (output[i] == '\n') FUZZ_CHECK(i > 0 && output[i - 1] == '\r');
        }
    } else {
        FUZZ_CHECK(output == kEarlier);
        FUZZ_CHECK(!report.failure->file.empty() && !Message(*report.failure).empty());
        // Nothing written: the failure is all there is to say.
        FUZZ_CHECK(report.problemCount == 0 && report.problems.empty());
    }
    CheckProblemList(report, static_cast<long>(size) + 1);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
    FUZZ_CHECK(names == expected);
    return 0;
}
