// The fast real scanners against the general one on arbitrary text. Input:
// one byte choosing the x87 precision the scan runs at (even: 64 bits, odd:
// 53), then the text, followed by the blanks the fast scanners may look at.
// Where FastReal decides, its value must be the general path's to the bit;
// where FastCell decides, the field written for DecideCell's cell must be the
// exact path's field for that value. Both must end where the token ends.
#include <bit>
#include <cstring>
#include <string>

#include "FuzzSupport.h"
#include "NumberScan.h"
#include "ValueFormat.h"
#include "X87Precision.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cor2tavik;
    if (size < 1 || size > 80) return 0;
    const X87Precision precision(data[0] % 2 ? 53 : 64);
    const std::string text = std::string(reinterpret_cast<const char*>(data + 1), size - 1) +
                             std::string(kFastScanReach, ' ');
    const char* p = text.data();
    const int length = RealTokenLength(p, p + text.size());
    double value = 0;
    const bool parsed = length > 0 && ParseReal(p, p + length, value) == ScanStatus::ok;

    double fast = 0;
    Cell scanned;
    if (const char* end = FastReal(p, fast)) {
        FUZZ_CHECK(parsed && end == p + length);
        FUZZ_CHECK(std::bit_cast<std::uint64_t>(fast) == std::bit_cast<std::uint64_t>(value));
    }
    if (const char* end = FastCell(p, scanned)) {
        FUZZ_CHECK(parsed && end == p + length);
        char field[kValueFieldWidth], exact[kValueFieldWidth];
        FormatCell(DecideCell(scanned), field);
        detail::FormatValueExact(value, exact);
        if (std::memcmp(field, exact, kValueFieldWidth) != 0) {
            std::fprintf(stderr, "%.*s: field %.13s, exact %.13s\n", length, p, field, exact);
            std::abort();
        }
    }
    return 0;
}
