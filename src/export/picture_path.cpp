#include "picture_path.h"

#include <sys/stat.h>

#include "output_path.h"

namespace tavro {

namespace {
constexpr std::string_view kPrefix = "tavro_";

// One pass from left to right: "tavro_tavro_x" -> "x".
std::string WithoutPrefix(const std::string& name) {
    std::string out;
    std::size_t from = 0;
    for (auto at = name.find(kPrefix); at != std::string::npos; at = name.find(kPrefix, from)) {
        out.append(name, from, at - from);
        from = at + kPrefix.size();
    }
    out.append(name, from);
    return out;
}
}  // namespace

std::string PicturePath(const std::string& imagePath, const std::string& inputFilePath) {
    const std::string name = WithoutPrefix(FileNamePart(inputFilePath));
    return imagePath + std::string(kPrefix) + OutputPath(name, ".bmp");
}

std::string UnusedPicturePath(const std::string& picturePath) {
    const auto exists = [](const std::string& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0;
    };
    const std::string bmp = ".bmp";
    const bool hasBmp = picturePath.size() >= bmp.size() &&
                        picturePath.compare(picturePath.size() - bmp.size(), bmp.size(), bmp) == 0;
    const std::string stem = hasBmp ? picturePath.substr(0, picturePath.size() - bmp.size()) : picturePath;
    const std::string extension = hasBmp ? bmp : std::string();
    std::string path = picturePath;
    for (int n = 2; exists(path) || exists(ConvertedPicturePath(path)); ++n) path = stem + "-" + std::to_string(n) + extension;
    return path;
}

std::string ConvertedPicturePath(const std::string& picturePath) {
    const std::string bmp = ".bmp";
    if (picturePath.size() >= bmp.size() && picturePath.compare(picturePath.size() - bmp.size(), bmp.size(), bmp) == 0)
        return picturePath.substr(0, picturePath.size() - bmp.size()) + ".png";
    return picturePath + ".png";
}

}  // namespace tavro
