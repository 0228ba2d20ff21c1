#include "picture_path.h"

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

std::string ConvertedPicturePath(const std::string& picturePath) {
    const std::string bmp = ".bmp";
    if (picturePath.size() >= bmp.size() && picturePath.compare(picturePath.size() - bmp.size(), bmp.size(), bmp) == 0)
        return picturePath.substr(0, picturePath.size() - bmp.size()) + ".png";
    return picturePath + ".png";
}

}  // namespace tavro
