#include "cor2tavik/Conversion.h"

namespace cor2tavik {

namespace {

// ".dat3" in any case: a name the user picked as a model is read as given,
// on a file system that tells case apart as on one that does not.
bool HasModelExtension(std::string_view path) {
    constexpr std::string_view kExtension = ".dat3";
    if (path.size() < kExtension.size()) return false;
    const std::string_view tail = path.substr(path.size() - kExtension.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const char c = tail[i] >= 'A' && tail[i] <= 'Z' ? static_cast<char>(tail[i] - 'A' + 'a') : tail[i];
        if (c != kExtension[i]) return false;
    }
    return true;
}

}  // namespace

ModelPath SplitModelPath(std::string_view path, std::string_view separators) {
    if (path.empty()) return {.stem = {}, .directory = {}, .model = ".dat3"};
    ModelPath result;
    // The rightmost dot anywhere ends the stem, even one in a directory name
    // when the file name has none: C:\a.b\model gives C:\a.
    std::size_t dot = path.rfind('.');
    result.stem = std::string(dot == std::string_view::npos ? path : path.substr(0, dot));
    const std::string_view directory = DirectoryPart(path, separators);
    result.directory = directory.empty() ? std::string(".") : std::string(directory);
    result.model = HasModelExtension(path) ? std::string(path) : result.stem + ".dat3";
    return result;
}

}  // namespace cor2tavik
