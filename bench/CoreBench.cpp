// Microbenchmarks of the per-value work: the real field of the neutral file
// and the scanning of reals and integers. Time per iteration is time per
// value; the benchmarks that scan whole lines or files report it as
// per_value (in seconds: "8.5n" is 8.5 ns).
#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "NumberScan.h"
#include "TextReader.h"
#include "ValueFormat.h"

namespace {

using namespace cor2tavik;

constexpr std::size_t kValues = 4096;  // a power of two, small enough for the cache

// Values as the result files hold them: 17 significant digits, magnitudes
// from 1e-8 to 1e3, either sign.
std::vector<double> TypicalValues() {
    std::mt19937_64 rng(7);
    std::vector<double> values(kValues);
    for (double& v : values) {
        v = (1 + 9 * std::ldexp(static_cast<double>(rng() >> 11), -53)) *
            std::pow(10.0, static_cast<int>(rng() % 12) - 9);
        if (rng() & 1) v = -v;
    }
    return values;
}

// Any double but NaN, by bit pattern: mostly huge and tiny exponents.
std::vector<double> AnyValues() {
    std::mt19937_64 rng(8);
    std::vector<double> values;
    while (values.size() < kValues) {
        double v = std::bit_cast<double>(rng());
        if (!std::isnan(v)) values.push_back(v);
    }
    return values;
}

template <char* (*Format)(double, char*)>
void FormatValues(benchmark::State& state, const std::vector<double>& values) {
    char field[kValueFieldWidth];
    std::size_t i = 0;
    for (auto _ : state) {
        Format(values[i++ & (kValues - 1)], field);
        benchmark::DoNotOptimize(field);
    }
}

void BM_FormatValue_Typical(benchmark::State& state) { FormatValues<FormatValue>(state, TypicalValues()); }
void BM_FormatValue_AnyDouble(benchmark::State& state) { FormatValues<FormatValue>(state, AnyValues()); }
void BM_FormatValueExact_Typical(benchmark::State& state) {
    FormatValues<detail::FormatValueExact>(state, TypicalValues());
}
BENCHMARK(BM_FormatValue_Typical);
BENCHMARK(BM_FormatValue_AnyDouble);
BENCHMARK(BM_FormatValueExact_Typical);

// The values of TypicalValues() as the input files write them ("%24.16E",
// or "%14E" as many solvers do), one after another, with the offset of each
// token.
struct Tokens {
    std::string text;
    std::vector<std::size_t> starts;
};

Tokens RealTokens(bool sevenDigits = false) {
    Tokens tokens;
    for (double v : TypicalValues()) {
        char field[40];
        int n = std::snprintf(field, sizeof field, sevenDigits ? "%14E" : "%24.16E", v);
        std::size_t start = tokens.text.size();
        tokens.text.append(field, static_cast<std::size_t>(n));
        while (tokens.text[start] == ' ') ++start;
        tokens.starts.push_back(start);
    }
    tokens.text.append(kFastScanReach, ' ');  // FastReal may look this far
    return tokens;
}

template <typename T, const char* (*Scan)(const char*, T&)>
void ScanReals(benchmark::State& state, bool sevenDigits) {
    const Tokens tokens = RealTokens(sevenDigits);
    std::size_t i = 0;
    T value{};
    for (auto _ : state) {
        const char* p = tokens.text.data() + tokens.starts[i++ & (kValues - 1)];
        benchmark::DoNotOptimize(Scan(p, value));
        benchmark::DoNotOptimize(value);
    }
}
void BM_FastReal(benchmark::State& state) { ScanReals<double, FastReal>(state, false); }
BENCHMARK(BM_FastReal);
// The reading thread's half of a value: its digits.
void BM_FastCell(benchmark::State& state) { ScanReals<Cell, FastCell>(state, false); }
void BM_FastCell_7Digits(benchmark::State& state) { ScanReals<Cell, FastCell>(state, true); }
BENCHMARK(BM_FastCell);
BENCHMARK(BM_FastCell_7Digits);

// The writing thread's half: the field decided from those digits, and written.
void BM_DecideAndFormatCell(benchmark::State& state) {
    const Tokens tokens = RealTokens();
    std::vector<Cell> cells(kValues);
    for (std::size_t i = 0; i < kValues; ++i) FastCell(tokens.text.data() + tokens.starts[i], cells[i]);
    char field[kValueFieldWidth];
    std::size_t i = 0;
    for (auto _ : state) {
        FormatCell(DecideCell(cells[i++ & (kValues - 1)]), field);
        benchmark::DoNotOptimize(field);
    }
}
BENCHMARK(BM_DecideAndFormatCell);

// The general path the fast one stands in for.
void BM_RealTokenLengthAndParseReal(benchmark::State& state) {
    const Tokens tokens = RealTokens();
    std::size_t i = 0;
    double value = 0;
    for (auto _ : state) {
        const char* p = tokens.text.data() + tokens.starts[i++ & (kValues - 1)];
        int n = RealTokenLength(p, p + 40);
        benchmark::DoNotOptimize(ParseReal(p, p + n, value));
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_RealTokenLengthAndParseReal);

// Integers inside a line already read, as element lines are scanned.
void BM_ScanIntegerInLine(benchmark::State& state) {
    const std::string line = "  970298   308     8  989898  989899  989999  989998  999898  999899  999999  999998";
    constexpr int kFields = 11;
    std::int32_t value = 0;
    for (auto _ : state) {
        const char* p = line.data();
        for (int f = 0; f < kFields; ++f) benchmark::DoNotOptimize(ScanInteger(p, line.data() + line.size(), value));
    }
    state.counters["per_value"] =
        benchmark::Counter(kFields, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ScanIntegerInLine);

// The same line as the element reader takes it: the fields in one run.
void BM_FastLineIntegers(benchmark::State& state) {
    std::string line = "  970298   308     8  989898  989899  989999  989998  999898  999899  999999  999998\r\n";
    line.append(kFastScanReach, ' ');
    constexpr int kFields = 11;
    std::int32_t values[kFields];
    for (auto _ : state) {
        const char* p = line.data();
        benchmark::DoNotOptimize(FastLineIntegers(p, line.data() + line.size() - kFastScanReach, values, kFields));
        benchmark::DoNotOptimize(values);
    }
    state.counters["per_value"] =
        benchmark::Counter(kFields, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FastLineIntegers);

// A scratch file of `records` lines "label: v1 .. v6", CR LF ended.
class RecordFile {
public:
    explicit RecordFile(int records) {
        char name[] = "/tmp/cor2tavik-bench-XXXXXX";
        int fd = ::mkstemp(name);
        if (fd < 0) std::abort();
        path_ = name;
        const std::vector<double> values = TypicalValues();
        std::string text;
        for (int r = 0; r < records; ++r) {
            char field[40];
            std::snprintf(field, sizeof field, "%8d:", r + 1);
            text += field;
            for (int c = 0; c < 6; ++c) {
                std::snprintf(field, sizeof field, "%24.16E", values[(6 * r + c) & (kValues - 1)]);
                text += field;
            }
            text += "\r\n";
        }
        if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
        ::close(fd);
    }
    ~RecordFile() { ::unlink(path_.c_str()); }
    FileDescriptor Open() const { return FileDescriptor(::open(path_.c_str(), O_RDONLY)); }

private:
    std::string path_;
};

constexpr int kRecords = 100000;

void BM_TextReaderRecords(benchmark::State& state) {
    RecordFile file(kRecords);
    for (auto _ : state) {
        TextReader in(file.Open());
        std::int32_t label;
        double value;
        for (int r = 0; r < kRecords; ++r) {
            in.ScanInteger(label);
            in.Match(':');
            for (int c = 0; c < 6; ++c) in.ScanReal(value);
            benchmark::DoNotOptimize(value);
        }
    }
    state.counters["per_value"] = benchmark::Counter(
        kRecords * 7, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TextReaderRecords)->Unit(benchmark::kMillisecond);

// As the result reader takes them: cells, one call a field or a record's
// six in one run.
template <bool kRun>
void TextReaderCells(benchmark::State& state) {
    RecordFile file(kRecords);
    for (auto _ : state) {
        TextReader in(file.Open());
        std::int32_t label;
        Cell cells[6];
        for (int r = 0; r < kRecords; ++r) {
            in.ScanInteger(label);
            in.Match(':');
            if constexpr (kRun) {
                int scanned;
                in.ScanCells(cells, 6, scanned);
            } else {
                for (Cell& cell : cells) in.ScanCell(cell);
            }
            benchmark::DoNotOptimize(cells);
        }
    }
    state.counters["per_value"] = benchmark::Counter(
        kRecords * 7, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
void BM_TextReaderCells_OneByOne(benchmark::State& state) { TextReaderCells<false>(state); }
void BM_TextReaderCells_Run(benchmark::State& state) { TextReaderCells<true>(state); }
BENCHMARK(BM_TextReaderCells_OneByOne)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextReaderCells_Run)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
