// Screenshots are named after the input file, in the picture folder:
//   ("/shots/", "/data/pass1.kss")        -> "/shots/tavro_pass1.bmp"
//   ("/shots/", "/data/tavro_pass1.kss")  -> "/shots/tavro_pass1.bmp"  (no "tavro_tavro_")
//   ("/shots/", "/data/day1.log")         -> "/shots/tavro_day1.bmp"
//   ("/shots/", "")                       -> "/shots/tavro_.bmp"       (nothing read yet)
//   ("/SHOTS",  "/data/pass1.kss")        -> "/SHOTStavro_pass1.bmp"   (glued, no separator added)
// Only the file name is rewritten; the folders of both paths stay as they are.
#pragma once

#include <string>

namespace tavro {

std::string PicturePath(const std::string& imagePath, const std::string& inputFilePath);

// A screenshot never replaces a picture: picturePath when neither it nor its
// PNG exists, else the first free of NAME-2, NAME-3, ... (bitmap and PNG both free):
//   "/shots/tavro_pass1.bmp" with tavro_pass1.png there -> "/shots/tavro_pass1-2.bmp"
std::string UnusedPicturePath(const std::string& picturePath);

// "/shots/tavro_pass1.bmp" -> "/shots/tavro_pass1.png", the name the converter writes.
std::string ConvertedPicturePath(const std::string& picturePath);

}  // namespace tavro
