// A whole job from arbitrary files. The input is split at "@@@@" into the
// model file and then Displacement.dat, Stress.dat and Strain.dat; a file
// whose part is missing does not exist. An earlier neutral file is in place.
// Checked: the status agrees with the report, a written file is framed as a
// neutral file, a failed job left the earlier one byte for byte, and the
// directory holds no file it did not hold before.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"

namespace cor2tavik::fuzz {
namespace {

constexpr std::string_view kSeparator = "@@@@";
constexpr const char* kResultNames[] = {"Displacement.dat", "Stress.dat", "Strain.dat"};
constexpr std::string_view kEarlier = "an earlier neutral file\r\n";
// The first lines of every neutral file at the fixed time below.
constexpr std::string_view kHead =
    " 1\r\nVERSION  5. 0. 0DATE2004/ 1/20TIME 2:35:10\r\n 2\r\nCorvantis Data\r\n 3\r\nTAVIK/QR Ver 5.0\r\n12\r\n";
constexpr std::string_view kTail = "-1\r\n99\r\n";

std::string g_dir;

void RemoveDir() {
    for (const char* name : {"model.dat3", "model.std", kResultNames[0], kResultNames[1], kResultNames[2]})
        ::unlink((g_dir + "/" + name).c_str());
    ::rmdir(g_dir.c_str());
}

// One directory per process, on tmpfs when there is one.
const std::string& Dir() {
    if (g_dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (tmp && *tmp ? tmp : "/tmp");
        std::string pattern = base + "/cor2tavik-fuzz-XXXXXX";
        FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
        g_dir = pattern;
        std::atexit(RemoveDir);
    }
    return g_dir;
}

void Put(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}

std::string Get(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::string> List(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    FUZZ_CHECK(d != nullptr);
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace
}  // namespace cor2tavik::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cor2tavik;
    using namespace cor2tavik::fuzz;
    const std::string& dir = Dir();
    std::string_view rest = Bytes(data, size);
    std::vector<std::string_view> parts;
    while (parts.size() < 4) {
        std::size_t at = rest.find(kSeparator);
        parts.push_back(rest.substr(0, at));
        if (at == std::string_view::npos) break;
        rest.remove_prefix(at + kSeparator.size());
    }

    std::vector<std::string> expected = {"model.dat3", "model.std"};
    Put(dir + "/model.dat3", parts[0]);
    Put(dir + "/model.std", kEarlier);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string path = dir + "/" + kResultNames[i];
        if (i + 1 < parts.size()) {
            Put(path, parts[i + 1]);
            expected.push_back(kResultNames[i]);
        } else {
            ::unlink(path.c_str());
        }
    }
    std::sort(expected.begin(), expected.end());

    ConversionOptions options;
    std::tm fixed{};
    fixed.tm_year = 104;
    fixed.tm_mday = 20;
    fixed.tm_hour = 2;
    fixed.tm_min = 35;
    fixed.tm_sec = 10;
    options.timestamp = fixed;
    options.threads = 1 + size % 4;  // every thread plan, by the input's length
    const ConversionReport report = RunConversion(dir + "/model", dir, options);
    const int status = report.written() ? 0 : -1;

    FUZZ_CHECK(report.outputPath == dir + "/model.std");
    const std::string output = Get(dir + "/model.std");
    if (status == 0) {
        FUZZ_CHECK(output.size() >= kHead.size() + kTail.size());
        FUZZ_CHECK(output.compare(0, kHead.size(), kHead) == 0);
        FUZZ_CHECK(output.compare(output.size() - kTail.size(), kTail.size(), kTail) == 0);
        FUZZ_CHECK(output.find('\0') == std::string::npos);
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
    FUZZ_CHECK(List(dir) == expected);
    return 0;
}
