#include "output_path.h"

#include "atomic_file.h"
#include "time_stamp.h"

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

std::string DefaultOutputPath(const std::string& inputPath, const std::string& extension,
                              const std::vector<std::string>& selection) {
    std::string path = OutputPath(inputPath, extension);
    const std::string stem = path.substr(0, path.size() - extension.size());
    for (int n = 1; IsOneOf(path, selection); ++n)
        path = stem + "-decoded" + (n == 1 ? std::string() : "-" + std::to_string(n)) + extension;
    return path;
}

std::string LiveCapturePath(const std::string& folder, long long startMs) {
    const std::string t = MillisecondsToTimeText(startMs);  // "2026-12-06 10:14:03.250 UTC"
    return folder + "tavro_live_" + t.substr(0, 4) + t.substr(5, 2) + t.substr(8, 2) + "_" + t.substr(11, 2) +
           t.substr(14, 2) + t.substr(17, 2) + ".kss";
}

}  // namespace tavro
