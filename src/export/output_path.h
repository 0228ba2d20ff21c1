// Output files are named after the input file:
//   /data/pass1.kss          -> /data/pass1.csv
//   /data/my.data/pass1.kss  -> /data/my.data/pass1.csv   (first "." of the file name only)
//   /data/pass1.tar.kss      -> /data/pass1.csv
//   /data/capture            -> /data/capture.csv
#pragma once

#include <string>
#include <vector>

namespace tavro {

inline constexpr char kPathSeparator = '/';

// extension with its dot: ".csv", ".tlm", ".bmp"
std::string OutputPath(const std::string& inputPath, const std::string& extension);

// The name an export takes when the user names none: OutputPath, unless that
// is a file of the selection (by any name); then NAME-decoded.EXT, and
// -decoded-2, -decoded-3, ... while that is one too:
//   ("/d/pass.kss", ".csv", {"/d/pass.kss"})                  -> "/d/pass.csv"
//   ("/d/pass_satnogs.csv", ".csv", {"/d/pass_satnogs.csv"})  -> "/d/pass_satnogs-decoded.csv"
std::string DefaultOutputPath(const std::string& inputPath, const std::string& extension,
                              const std::vector<std::string>& selection);

// The file name part: the text after the last separator (the whole path when there is none).
std::string FileNamePart(const std::string& path);

// The recording of a live session started at startMs (milliseconds since
// 1970 UTC), in folder (with its closing separator):
//   ("/home/me/", 1796552043250) -> "/home/me/tavro_live_20261206_101403.kss"
std::string LiveCapturePath(const std::string& folder, long long startMs);

}  // namespace tavro
