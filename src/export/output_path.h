// Output files are named after the input file:
//   /data/pass1.kss          -> /data/pass1.csv
//   /data/my.data/pass1.kss  -> /data/my.data/pass1.csv   (first "." of the file name only)
//   /data/pass1.tar.kss      -> /data/pass1.csv
//   /data/capture            -> /data/capture.csv
#pragma once

#include <string>

namespace tavro {

inline constexpr char kPathSeparator = '/';

// extension with its dot: ".csv", ".tlm", ".bmp"
std::string OutputPath(const std::string& inputPath, const std::string& extension);

// The file name part: the text after the last separator (the whole path when there is none).
std::string FileNamePart(const std::string& path);

}  // namespace tavro
