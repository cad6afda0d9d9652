#include "cor2tavik/Conversion.h"

namespace cor2tavik {

// Bytes, like the model path rule: a double-byte character whose second byte
// is a separator's cuts the path there too.
std::string_view DirectoryPart(std::string_view path, std::string_view separators) {
    const std::size_t separator = path.find_last_of(separators);
    return separator == std::string_view::npos ? std::string_view() : path.substr(0, separator + 1);
}

std::string_view NamePart(std::string_view path, std::string_view separators) {
    return path.substr(DirectoryPart(path, separators).size());
}

}  // namespace cor2tavik
