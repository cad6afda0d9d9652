// The fast paths against the general ones: number scanning that must give
// the same tokens and bits, and whole conversions large enough to span many
// input chunks and output buffers while the result files are read in a
// second thread.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "NumberScan.h"
#include "TestSupport.h"

namespace cor2tavik {
namespace {

using test::Convert;
using test::Crlf;
using test::Header;
using test::Problems;
using test::ScratchDir;

// A token followed by a blank and the room FastReal may look at.
std::string Padded(const std::string& token) { return token + " " + std::string(kFastScanReach, ' '); }

// Returns whether the fast path decided; when it did, it must agree with
// RealTokenLength + ParseReal to the bit.
bool ExpectSameReal(const std::string& token) {
    const std::string text = Padded(token);
    const char* p = text.data();
    double fast = 0;
    const char* end = FastReal(p, fast);
    if (end == nullptr) return false;
    const int length = RealTokenLength(p, p + text.size());
    double general = 0;
    EXPECT_EQ(ParseReal(p, p + length, general), ScanStatus::ok) << token;
    EXPECT_EQ(end - p, length) << token;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(fast), std::bit_cast<std::uint64_t>(general))
        << token << ": " << std::hexfloat << fast << " vs " << general;
    return true;
}

TEST(FastScan, RealAgreesWithTheGeneralPath) {
    // Halfway between two doubles: 2^53 + 1 and 2^53 + 3. The fast path
    // must leave them to the general one or round them to even.
    for (const char* token : {"9007199254740993", "9.007199254740993e15", "-9007199254740993e0",
                              "9007199254740995", "4503599627370496.5", "1.5", "-0.0", "0e999",
                              "+.5E-3", "7.", "12e", "3.25e+", "1e-27", "1e27", "1e28", "123456789012345678e-30"})
        ExpectSameReal(token);
    // More than 19 digits, or exponents beyond exact powers, go the general way.
    for (const char* token : {"12345678901234567890", "0.00000000000000000001", "1e-28", "5e300", "1e00001"}) {
        double value;
        const std::string text = Padded(token);
        EXPECT_EQ(FastReal(text.data(), value), nullptr) << token;
    }

    std::mt19937_64 rng(12345);
    int decided = 0;
    constexpr int kTokens = 200000;
    for (int i = 0; i < kTokens; ++i) {
        // Up to 19 digits, a point anywhere or nowhere, any exponent form.
        std::string token = (rng() % 3 == 0) ? "-" : (rng() % 5 == 0) ? "+" : "";
        const int digits = 1 + static_cast<int>(rng() % 19);
        const int point = static_cast<int>(rng() % (digits + 2)) - 1;  // -1: none
        for (int d = 0; d < digits; ++d) {
            if (d == point) token += '.';
            token += static_cast<char>('0' + (d == 0 && rng() % 4 != 0 ? 1 + rng() % 9 : rng() % 10));
        }
        if (point == digits) token += '.';
        if (rng() % 4 != 0) {
            token += (rng() & 1) ? 'E' : 'e';
            token += (rng() % 3 == 0) ? "-" : (rng() % 2 == 0) ? "+" : "";
            char exponent[8];
            std::snprintf(exponent, sizeof exponent, (rng() & 1) ? "%02d" : "%d", static_cast<int>(rng() % 40));
            token += exponent;
        }
        if (ExpectSameReal(token)) ++decided;
        if (HasFailure()) return;
    }
    // Exactly halfway between two doubles, and a last digit either side:
    // odd N in [2^53, 2^54), and X.5, Y.25 and Y.75 a binade or two lower.
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t n = ((std::uint64_t{1} << 53) + rng() % (std::uint64_t{1} << 53)) | 1;
        const std::uint64_t x = (std::uint64_t{1} << 52) + rng() % (std::uint64_t{1} << 52);
        const std::uint64_t y = (std::uint64_t{1} << 51) + rng() % (std::uint64_t{1} << 51);
        const std::string ns = std::to_string(n), xs = std::to_string(x), ys = std::to_string(y);
        for (const std::string& token : {ns, ns + "0e-1", "-" + ns + "00E-2", xs + ".5", ys + ".25", "-" + ys + ".75",
                                         ns + ".01", ns + "99e-2", xs + ".499", xs + ".501", ys + ".2501"})
            ExpectSameReal(token);
        if (HasFailure()) return;
    }
    // The input files' usual 17-digit reals take the fast path.
    int typical = 0;
    for (int i = 0; i < 10000; ++i) {
        char token[40];
        std::snprintf(token, sizeof token, "%.16E",
                      std::ldexp(static_cast<double>(rng() >> 11), -53) * std::pow(10.0, static_cast<int>(rng() % 20) - 10));
        if (ExpectSameReal(token)) ++typical;
    }
    EXPECT_GT(decided, kTokens * 3 / 4);
    EXPECT_GT(typical, 9900);
}

TEST(FastScan, IntegerAgreesWithTheGeneralPath) {
    auto expectSame = [](const std::string& token, bool decides) {
        const std::string text = Padded(token);
        const char* p = text.data();
        std::int32_t fast = 0, general = 0;
        const char* end = FastInteger(p, fast);
        ASSERT_EQ(end != nullptr, decides) << token;
        if (end == nullptr) return;
        const int length = IntegerTokenLength(p, p + text.size());
        EXPECT_EQ(ParseInteger(p, p + length, general), ScanStatus::ok) << token;
        EXPECT_EQ(end - p, length) << token;
        EXPECT_EQ(fast, general) << token;
    };
    for (const char* token : {"0", "7", "-0", "+12", "1234567", "-12345678", "123456789", "2147483647",
                              "-2147483648", "0000000001", "12:", "5.5", "1234567e", "12345678.", "123456789x"})
        expectSame(token, true);
    // Out of range, more than ten digits, or no digits: the general path decides.
    for (const char* token : {"2147483648", "-2147483649", "9999999999", "99999999999", "00000000001", "-", "+",
                              "+-1", "x1"})
        expectSame(token, false);
}

// The one-pass ScanInteger on a line against the two-pass original, up to
// the line's last byte.
TEST(FastScan, IntegersInALine) {
    auto reference = [](const char*& p, const char* end, std::int32_t& value) {
        while (p != end && IsSpace(*p)) ++p;
        if (p == end) return ScanStatus::end;
        const int length = IntegerTokenLength(p, end);
        if (length == 0) return ScanStatus::mismatch;
        const ScanStatus status = ParseInteger(p, p + length, value);
        p += length;
        return status;
    };
    std::mt19937_64 rng(99);
    const char* pieces[] = {" ", "  ", "        ", "\t", "\r", "-", "+", "x", ":"};
    for (int line = 0; line < 20000; ++line) {
        std::string text;
        for (int f = static_cast<int>(rng() % 8); f >= 0; --f) {
            text += pieces[rng() % std::size(pieces)];
            for (int d = static_cast<int>(rng() % 13); d > 0; --d) text += static_cast<char>('0' + rng() % 10);
        }
        const char* end = text.data() + text.size();
        const char* p = text.data();
        const char* q = text.data();
        for (int field = 0; field < 20; ++field) {
            std::int32_t got = -7, want = -7;
            const ScanStatus status = ScanInteger(p, end, got);
            ASSERT_EQ(status, reference(q, end, want)) << '"' << text << '"';
            ASSERT_EQ(p - text.data(), q - text.data()) << '"' << text << '"';
            ASSERT_EQ(got, want) << '"' << text << '"';
            if (status != ScanStatus::ok && status != ScanStatus::overflow) break;
        }
    }
}

// ---------------------------------------------------------------------------
// Large conversions.

// Small integers written as 17-digit reals: their fields are easy to know.
std::string Real(int k) {
    char text[32];
    std::snprintf(text, sizeof text, "%24.16E", static_cast<double>(k));
    return text;
}

std::string Field(int k) {
    char text[16];
    if (k == 0) return "0.000000E+000";
    std::snprintf(text, sizeof text, k > 0 ? "%d.000000E+000" : "%d.00000E+000", k);
    return text;
}

std::string Int(int value, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%*d", width, value);
    return text;
}

int Value(int record, int component) { return (record * 7 + component * 3) % 19 - 9; }

// A model of `n` nodes and `n` 8-node elements with all three result files,
// CR LF ended, and the neutral file it converts to.
struct LargeModel {
    explicit LargeModel(int n) {
        model = "LARGE\r\nMODEL\r\nNODE" + Int(n, 8) + "\r\n";
        displacement = "DISPLACEMENT\r\nNODE = " + std::to_string(n) + "\r\n  LABEL: X Y Z\r\n";
        stress = "STRESS\r\nELEMENT = " + std::to_string(n) + "\r\n  LABEL: XX YY ZZ XY YZ ZX\r\n";
        strain = "STRAIN\r\nELEMENT = " + std::to_string(n) + "\r\n  LABEL: XX YY ZZ XY YZ ZX\r\n";
        std::string nodes, elements, block52, block72, block73;
        for (int i = 0; i < n; ++i) {
            const int number = 1000 + i;
            model += Int(number, 8);
            displacement += Int(i + 1, 8) + ":";
            nodes += "  " + Int(number, 8) + "       0       0  000000       ";
            block52 += "  " + Int(number, 8) + "\r\n  ";
            for (int c = 0; c < 3; ++c) {
                model += Real(Value(i, c));
                displacement += Real(Value(i, c + 1));
                nodes += Field(Value(i, c));
                block52 += Field(Value(i, c + 1));
            }
            model += "\r\n";
            displacement += "\r\n";
            nodes += "\r\n";
            block52 += "\r\n";
        }
        model += "ELEM" + Int(n, 8) + "\r\n";
        for (int i = 0; i < n; ++i) {
            const int number = 1 + i;
            model += Int(number, 8) + "   308     8";
            elements += "  " + Int(number, 8) + "   308        " + Int(0, 8);
            for (int j = 0; j < 8; ++j) {
                model += Int(1000 + (i + j) % n, 8);
                elements += Int(1000 + (i + j) % n, 8);
                if (j == 5) elements += "\r\n        ";  // the line breaks after the 6th
            }
            model += "\r\n";
            elements += "\r\n";
            stress += Int(number, 8) + ":";
            strain += Int(number, 8) + ":";
            const std::string head = "  " + Int(number, 8) + "   308       1       1       0\r\n  ";
            block72 += head;
            block73 += head;
            for (int c = 0; c < 6; ++c) {
                stress += Real(Value(i, c + 2));
                strain += Real(-Value(i, c));
                block72 += Field(Value(i, c + 2));
                block73 += Field(-Value(i, c));
            }
            stress += "\r\n";
            strain += "\r\n";
            block72 += "\r\n";
            block73 += "\r\n";
        }
        const std::string preamble = "         1     1\r\n         1\r\n";
        output = Header() + "12\r\n" + nodes + "-1\r\n13\r\n" + elements + "-1\r\n" + "52\r\n" + preamble +
                 block52 + "-1\r\n72\r\n" + preamble + block72 + "-1\r\n73\r\n" + preamble + block73 +
                 "-1\r\n99\r\n";
    }

    void WriteInto(const ScratchDir& dir) const {
        dir.Write("model.dat3", model);
        dir.Write("Displacement.dat", displacement);
        dir.Write("Stress.dat", stress);
        dir.Write("Strain.dat", strain);
    }

    std::string model, displacement, stress, strain, output;
};

// Many 1 MiB input chunks and output buffers.
constexpr int kLarge = 40000;

TEST(LargeConversion, ByteExactAcrossChunksBuffersAndThreads) {
    const LargeModel large(kLarge);
    ASSERT_GT(large.output.size(), 8u << 20);
    ScratchDir dir;
    large.WriteInto(dir);
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.report.clean()) << Problems(result.report);
    // Where they part, not the megabytes.
    const auto [got, want] = std::mismatch(result.output.begin(), result.output.end(), large.output.begin(), large.output.end());
    const std::size_t at = static_cast<std::size_t>(got - result.output.begin());
    EXPECT_TRUE(got == result.output.end() && want == large.output.end())
        << "at byte " << at << ": got \"" << result.output.substr(at > 40 ? at - 40 : 0, 120) << "\", want \""
        << large.output.substr(at > 40 ? at - 40 : 0, 120) << "\"";
    EXPECT_EQ(dir.List(), "Displacement.dat Strain.dat Stress.dat model.dat3 model.std");
}

// Elements whose type code asks for 100 node numbers: records of some 850
// bytes, more than a helper thread's run holds, so this thread finishes it.
TEST(LargeConversion, LongElementRecords) {
    constexpr int kElements = 20000;
    std::string model = "t\r\ns\r\nNODE 0\r\nELEM ";
    model += std::to_string(kElements) + "\r\n";
    std::string elements;
    for (int i = 0; i < kElements; ++i) {
        model += std::to_string(i + 1) + " 400 10";
        elements += "  " + Int(i + 1, 8) + "   400        " + Int(0, 8);
        for (int j = 0; j < 100; ++j) {
            if (j < 10) model += Int(i * 10 + j, 8);
            elements += Int(j < 10 ? i * 10 + j : 0, 8);
            if ((j == 5 || j == 14) && j + 1 < 100) elements += "\r\n        ";
        }
        model += "\r\n";
        elements += "\r\n";
    }
    ScratchDir dir;
    dir.Write("model.dat3", model);
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.report.problemCount, std::size_t{kElements});  // type code 400 against 10 nodes
    const std::string expected = Header() + "12\r\n-1\r\n13\r\n" + elements + "-1\r\n99\r\n";
    ASSERT_GT(expected.size(), 8u << 20);
    EXPECT_TRUE(result.output == expected);  // not printed: megabytes
}

// Problems come in file order, model first, however far into each file
// they are found and whichever thread found them.
TEST(LargeConversion, ProblemsInFileOrder) {
    LargeModel large(kLarge);
    auto spoil = [](std::string& text, const std::string& what, const std::string& by) {
        std::size_t at = text.rfind(what);
        ASSERT_NE(at, std::string::npos) << what;
        text.replace(at, what.size(), by);
    };
    spoil(large.model, Int(1000 + kLarge - 2, 8) + Real(Value(kLarge - 2, 0)), Int(1000 + kLarge - 2, 8) + " x");
    spoil(large.displacement, Int(kLarge - 1, 8) + ":", Int(kLarge - 1, 8) + " ");
    spoil(large.stress, "ELEMENT = " + std::to_string(kLarge), "ELEMENT = " + std::to_string(kLarge + 1));
    spoil(large.strain, Int(kLarge, 8) + ":" + Real(-Value(kLarge - 1, 0)), Int(kLarge, 8) + ": y");
    ScratchDir dir;
    large.WriteInto(dir);
    auto result = Convert(dir);
    EXPECT_EQ(result.status, 0);
    const std::string n = std::to_string(kLarge);
    EXPECT_EQ(Problems(result.report),
              "model.dat3:" + std::to_string(3 + kLarge - 1) + ": node record " + std::to_string(kLarge - 1) +
                  ": x is not a number\n"
                  "Displacement.dat:" + std::to_string(3 + kLarge - 1) + ": record " + std::to_string(kLarge - 1) +
                  ": ':' after the label is missing\n"
                  "Stress.dat:2: the file holds " + std::to_string(kLarge + 1) + " records, the model has " + n +
                  " elements; the extra ones are ignored\n"
                  "Strain.dat:" + std::to_string(3 + kLarge) + ": record " + n + ": component 1 is not a number\n");
}

// A model refused after its node block: nothing is written, and what the
// result reader found meanwhile is not reported.
TEST(LargeConversion, ModelRefusedLate) {
    LargeModel large(kLarge);
    large.model.replace(large.model.find("ELEM"), 12, "ELEM  -1");
    large.displacement.replace(large.displacement.find("       1:"), 9, "       1 ");
    ScratchDir dir;
    large.WriteInto(dir);
    dir.Write("model.std", "earlier");
    auto result = Convert(dir);
    EXPECT_EQ(result.status, -1);
    ASSERT_TRUE(result.report.failure);
    EXPECT_EQ(Message(*result.report.failure), "element count line: negative count -1");
    EXPECT_EQ(Problems(result.report), "");
    EXPECT_EQ(result.output, "earlier");
    EXPECT_EQ(dir.List(), "Displacement.dat Strain.dat Stress.dat model.dat3 model.std");
}

// A result file that is a pipe without a writer is only opened once the
// model is read: a refused model ends the job instead of waiting for ever.
TEST(LargeConversion, ModelRefusedWithAPipeForResults) {
    ScratchDir dir;
    dir.Write("model.dat3", "t\ns\nNODE 1\n1 0 0 0\nELEM x\n");
    ASSERT_EQ(::mkfifo((dir / "Displacement.dat").c_str(), 0600), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(20);
        _exit(Convert(dir).status == -1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

// A write that fails in the writer thread fails the job and leaves nothing.
TEST(LargeConversion, WriteErrorInTheWriterThread) {
    const LargeModel large(kLarge);
    ScratchDir dir;
    large.WriteInto(dir);
    dir.Write("model.std", "earlier");
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit limited = old;
    limited.rlim_cur = 3 << 20;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    auto result = Convert(dir);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result.status, -1);
    ASSERT_TRUE(result.report.failure);
    EXPECT_EQ(Message(*result.report.failure), "cannot write: File too large");
    EXPECT_EQ(result.output, "earlier");
    EXPECT_EQ(dir.List(), "Displacement.dat Strain.dat Stress.dat model.dat3 model.std");
}

}  // namespace
}  // namespace cor2tavik
