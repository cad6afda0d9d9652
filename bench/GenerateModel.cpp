// GenerateModel: writes a structured block of 8-node hexahedra and its three
// result files, in the input formats, for benchmarking.
//
//   GenerateModel [--digits 7] DIR [NX [NY [NZ]]]
//
// DIR/model.dat3, DIR/Displacement.dat, DIR/Stress.dat and DIR/Strain.dat
// get NX x NY x NZ nodes (default 100 each) and (NX-1)(NY-1)(NZ-1)
// elements. Lines end in CR LF; reals carry 17 significant digits with
// irregular mantissas and exponents, or with --digits 7 the 7 that many
// solvers write ("%E"). The same arguments always give the same bytes.
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

// splitmix64: fast, and reproducible everywhere.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1p-53; }
    // Uniform in [-1, 1).
    double Signed() { return 2 * Unit() - 1; }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t state_;
};

// Buffered output to one file; exits on any error.
class Output {
public:
    explicit Output(const std::string& path) : path_(path), buffer_(new char[kSize]) {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) Die("cannot create");
    }
    ~Output() {
        Flush();
        if (::close(fd_) != 0) Die("cannot close");
    }

    // Room for at least 4 KiB.
    char* Room() {
        if (kSize - used_ < 4096) Flush();
        return buffer_.get() + used_;
    }
    void Advance(char* end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }
    void Text(const char* text) {
        char* p = Room();
        std::size_t n = std::strlen(text);
        std::memcpy(p, text, n);
        Advance(p + n);
    }
    std::uint64_t bytes() const { return written_ + used_; }

private:
    static constexpr std::size_t kSize = std::size_t{1} << 20;

    void Flush() {
        const char* p = buffer_.get();
        std::size_t left = used_;
        while (left != 0) {
            ssize_t n = ::write(fd_, p, left);
            if (n < 0) Die("cannot write");
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        written_ += used_;
        used_ = 0;
    }
    [[noreturn]] void Die(const char* what) {
        std::perror((std::string(what) + " " + path_).c_str());
        std::exit(1);
    }

    std::string path_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    std::uint64_t written_ = 0;
    int fd_ = -1;
};

const char kCrLf[] = "\r\n";

char* PutText(char* p, const char* text) {
    std::size_t n = std::strlen(text);
    std::memcpy(p, text, n);
    return p + n;
}

// printf's "%<width>d".
char* PutInt(char* p, long long value, int width) {
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (int pad = width - static_cast<int>(end - digits); pad > 0; --pad) *p++ = ' ';
    std::memcpy(p, digits, static_cast<std::size_t>(end - digits));
    return p + (end - digits);
}

// A number that always keeps one blank before it, at least `width` wide.
char* PutField(char* p, long long value, int width) {
    *p++ = ' ';
    return PutInt(p, value, width - 1);
}

// Significant digits of the reals written: 17, or 7.
int gDigits = 17;

// printf's "%<width>.16E", or "%14.6E" for 7 digits.
char* PutReal(char* p, double value, int width) {
    if (gDigits == 7) width = 14;
    char digits[40];
    char* end =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::scientific, gDigits - 1).ptr;
    for (char* c = digits; c != end; ++c)
        if (*c == 'e') *c = 'E';
    for (int pad = width - static_cast<int>(end - digits); pad > 0; --pad) *p++ = ' ';
    std::memcpy(p, digits, static_cast<std::size_t>(end - digits));
    return p + (end - digits);
}

// A value of random sign with an exponent spread over `decades` decades
// below `top`: results mix large and tiny magnitudes.
double Spread(Random& random, double top, int decades) {
    double magnitude = (0.1 + 0.9 * random.Unit()) * top * std::pow(10.0, -random.Below(decades));
    return random.Below(2) ? -magnitude : magnitude;
}

struct Grid {
    long nx, ny, nz;
    long nodes() const { return nx * ny * nz; }
    long elements() const { return (nx - 1) * (ny - 1) * (nz - 1); }
    long Node(long i, long j, long k) const { return 1 + i + nx * (j + ny * k); }
};

void WriteModel(const std::string& path, const Grid& g) {
    Output out(path);
    out.Text("TAVIK ANALYSIS MODEL\r\nBENCHMARK BLOCK   UNIT=MM  MAT=SS400\r\n");
    char* p = out.Room();
    p = PutText(p, "NODE");
    out.Advance(PutText(PutInt(p, g.nodes(), 8), kCrLf));
    Random random(1);
    const double spacing = 2.5;
    for (long k = 0; k < g.nz; ++k)
        for (long j = 0; j < g.ny; ++j)
            for (long i = 0; i < g.nx; ++i) {
                p = PutField(out.Room(), g.Node(i, j, k), 8);
                // A slightly distorted grid, so no coordinate is round.
                p = PutReal(p, spacing * (static_cast<double>(i) + 0.05 * random.Signed()), 25);
                p = PutReal(p, spacing * (static_cast<double>(j) + 0.05 * random.Signed()), 25);
                p = PutReal(p, spacing * (static_cast<double>(k) + 0.05 * random.Signed()), 25);
                out.Advance(PutText(p, kCrLf));
            }
    p = out.Room();
    p = PutText(p, "ELEM");
    out.Advance(PutText(PutInt(p, g.elements(), 8), kCrLf));
    long number = 0;
    for (long k = 0; k + 1 < g.nz; ++k)
        for (long j = 0; j + 1 < g.ny; ++j)
            for (long i = 0; i + 1 < g.nx; ++i) {
                p = PutField(out.Room(), ++number, 8);
                p = PutInt(p, 308, 6);
                p = PutInt(p, 8, 6);
                const long corners[8] = {
                    g.Node(i, j, k),         g.Node(i + 1, j, k),     g.Node(i + 1, j + 1, k),
                    g.Node(i, j + 1, k),     g.Node(i, j, k + 1),     g.Node(i + 1, j, k + 1),
                    g.Node(i + 1, j + 1, k + 1), g.Node(i, j + 1, k + 1)};
                for (long n : corners) p = PutField(p, n, 8);
                out.Advance(PutText(p, kCrLf));
            }
}

void WriteResult(const std::string& path, const char* title, const char* countLine, long count,
                 const char* const* columns, int width, double top, std::uint64_t seed) {
    Output out(path);
    char* p = PutText(out.Room(), title);
    p = PutText(p, kCrLf);
    p = PutText(p, countLine);
    p = PutText(PutInt(p, count, 1), kCrLf);
    p = PutText(p, "  LABEL:");
    for (int c = 0; c < width; ++c) {
        for (int pad = 24 - static_cast<int>(std::strlen(columns[c])); pad > 0; --pad) *p++ = ' ';
        p = PutText(p, columns[c]);
    }
    out.Advance(PutText(p, kCrLf));
    Random random(seed);
    for (long label = 1; label <= count; ++label) {
        p = PutField(out.Room(), label, 8);
        *p++ = ':';
        for (int c = 0; c < width; ++c) p = PutReal(p, Spread(random, top, 6), 24);
        out.Advance(PutText(p, kCrLf));
    }
}

long Size(const char* text) {
    char* end = nullptr;
    long n = std::strtol(text, &end, 10);
    if (*end != '\0' || n < 2 || n > 1000) {
        std::fprintf(stderr, "GenerateModel: a size must be 2 to 1000, not '%s'\n", text);
        std::exit(2);
    }
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--digits") == 0) {
        if (std::strcmp(argv[2], "7") != 0 && std::strcmp(argv[2], "17") != 0) {
            std::fprintf(stderr, "GenerateModel: --digits takes 7 or 17, not '%s'\n", argv[2]);
            return 2;
        }
        gDigits = std::atoi(argv[2]);
        argc -= 2;
        argv += 2;
    }
    if (argc < 2 || argc > 5) {
        std::fputs("usage: GenerateModel [--digits 7] DIR [NX [NY [NZ]]]\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    Grid g{100, 100, 100};
    if (argc > 2) g.nx = g.ny = g.nz = Size(argv[2]);
    if (argc > 3) g.ny = g.nz = Size(argv[3]);
    if (argc > 4) g.nz = Size(argv[4]);
    if (g.nodes() > INT32_MAX) {
        std::fputs("GenerateModel: too many nodes\n", stderr);
        return 2;
    }

    static const char* const kVector[] = {"UX", "UY", "UZ"};
    static const char* const kTensor[] = {"XX", "YY", "ZZ", "XY", "YZ", "ZX"};
    WriteModel(dir + "/model.dat3", g);
    WriteResult(dir + "/Displacement.dat", "DISPLACEMENT  CORVANTIS", "NODE = ", g.nodes(), kVector, 3, 10.0, 2);
    WriteResult(dir + "/Stress.dat", "STRESS  CORVANTIS  (N/MM2)", "ELEMENT = ", g.elements(), kTensor, 6, 500.0, 3);
    WriteResult(dir + "/Strain.dat", "STRAIN  CORVANTIS", "ELEMENT = ", g.elements(), kTensor, 6, 0.01, 4);
    std::printf("%ld x %ld x %ld: %ld nodes, %ld elements\n", g.nx, g.ny, g.nz, g.nodes(), g.elements());
    return 0;
}
