#include "NumberScan.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace cor2tavik {

int IntegerTokenLength(const char* p, const char* end) {
    const char* q = p;
    if (q != end && (*q == '+' || *q == '-')) ++q;
    const char* digits = q;
    while (q != end && IsDigit(*q)) ++q;
    return q == digits ? 0 : static_cast<int>(q - p);
}

int RealTokenLength(const char* p, const char* end) {
    const char* q = p;
    if (q != end && (*q == '+' || *q == '-')) ++q;
    int digits = 0;
    while (q != end && IsDigit(*q)) ++q, ++digits;
    if (q != end && *q == '.') {
        ++q;
        while (q != end && IsDigit(*q)) ++q, ++digits;
    }
    if (digits == 0) return 0;
    if (q != end && (*q == 'e' || *q == 'E')) {
        const char* e = q + 1;
        if (e != end && (*e == '+' || *e == '-')) ++e;
        if (e != end && IsDigit(*e)) {
            while (e != end && IsDigit(*e)) ++e;
            q = e;
        }
    }
    return static_cast<int>(q - p);
}

ScanStatus ParseInteger(const char* p, const char* end, std::int32_t& value) {
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    for (; p != end; ++p) {
        magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
        if (magnitude > limit) return ScanStatus::overflow;
    }
    value = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                     : static_cast<std::int32_t>(magnitude);
    return ScanStatus::ok;
}

namespace {

// Out of range for std::from_chars: decide between infinity and zero from the
// decimal exponent of the first significant digit.
double OutOfRange(const char* p, const char* end) {
    bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    long position = 0;  // digits before the point, after leading zeros
    bool significant = false;
    for (; p != end && IsDigit(*p); ++p) {
        if (*p != '0') significant = true;
        if (significant) ++position;
    }
    if (p != end && *p == '.') {
        for (++p; p != end && IsDigit(*p); ++p) {
            if (significant) continue;
            if (*p != '0') significant = true;
            else --position;
        }
    }
    long exponent = 0;
    if (p != end) {  // 'e' or 'E'
        ++p;
        bool negativeExponent = *p == '-';
        if (*p == '+' || *p == '-') ++p;
        for (; p != end; ++p) {
            if (exponent < 100000000) exponent = exponent * 10 + (*p - '0');
        }
        if (negativeExponent) exponent = -exponent;
    }
    double magnitude = position + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -magnitude : magnitude;
}

}  // namespace

ScanStatus ParseReal(const char* p, const char* end, double& value) {
    const char* start = *p == '+' ? p + 1 : p;
    auto [ptr, ec] = std::from_chars(start, end, value);
    if (ec == std::errc::result_out_of_range) {
        value = OutOfRange(p, end);
    } else if (ec != std::errc() || ptr != end) {
        return ScanStatus::mismatch;
    }
    return ScanStatus::ok;
}

ScanStatus ScanInteger(const char*& p, const char* end, std::int32_t& value) {
    while (p != end && IsSpace(*p)) ++p;
    if (p == end) return ScanStatus::end;
    int length = IntegerTokenLength(p, end);
    if (length == 0) return ScanStatus::mismatch;
    ScanStatus status = ParseInteger(p, p + length, value);
    p += length;
    return status;
}

}  // namespace cor2tavik
