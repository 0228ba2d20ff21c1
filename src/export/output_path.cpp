#include "output_path.h"

namespace tavro {

std::string FileNamePart(const std::string& path) {
    const auto slash = path.rfind(kPathSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string OutputPath(const std::string& inputPath, const std::string& extension) {
    const auto slash = inputPath.rfind(kPathSeparator);
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = inputPath.find('.', nameStart);
    return (dot == std::string::npos ? inputPath : inputPath.substr(0, dot)) + extension;
}

}  // namespace tavro
