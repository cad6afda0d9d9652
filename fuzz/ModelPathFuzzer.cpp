// The path rule on arbitrary bytes. Input: one byte choosing the separator
// ('/' when even, '\' when odd), then the path.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace cor2tavik;
    using namespace cor2tavik::fuzz;
    if (size == 0) return 0;
    const char separator = data[0] % 2 ? '\\' : '/';
    const std::string_view path = Bytes(data + 1, size - 1);
    const ModelPath split = SplitModelPath(path, std::string_view(&separator, 1));

    if (path.empty()) {
        FUZZ_CHECK(split.stem.empty() && split.directory.empty());
        return 0;
    }
    // The stem is the path less its last extension: what it cut off is empty
    // or starts at the path's last dot.
    FUZZ_CHECK(path.substr(0, split.stem.size()) == split.stem);
    const std::string_view cut = path.substr(split.stem.size());
    if (path.find('.') == std::string_view::npos) {
        FUZZ_CHECK(cut.empty());
    } else {
        FUZZ_CHECK(!cut.empty() && cut[0] == '.' && cut.find('.', 1) == std::string_view::npos);
    }
    // The directory is "." for a bare name, else the path up to and including
    // its last separator.
    if (path.find(separator) == std::string_view::npos) {
        FUZZ_CHECK(split.directory == ".");
    } else {
        FUZZ_CHECK(!split.directory.empty() && split.directory.back() == separator);
        FUZZ_CHECK(path.substr(0, split.directory.size()) == split.directory);
        FUZZ_CHECK(path.find(separator, split.directory.size()) == std::string_view::npos);
    }
    return 0;
}
