#include "cor2tavik/Conversion.h"

namespace cor2tavik {

ModelPath SplitModelPath(std::string_view path, std::string_view separators) {
    if (path.empty()) return {};
    ModelPath result;
    // The rightmost dot anywhere ends the stem, even one in a directory name
    // when the file name has none: C:\a.b\model gives C:\a.
    std::size_t dot = path.rfind('.');
    result.stem = std::string(dot == std::string_view::npos ? path : path.substr(0, dot));
    const std::string_view directory = DirectoryPart(path, separators);
    result.directory = directory.empty() ? std::string(".") : std::string(directory);
    return result;
}

}  // namespace cor2tavik
