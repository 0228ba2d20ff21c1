// The command line of nconvert, options first, then the image files:
//   nconvert -out png -transpcolor 240 240 240 -colors 256 -quiet -D /shots/tavro_pass1.bmp
#pragma once

#include <QRgb>
#include <QString>
#include <QStringList>
#include <optional>

namespace nconvert {

struct Options {
    std::optional<QRgb> transparent;  // -transpcolor R G B: pixels of this colour become see-through
    int colours = 0;                  // -colors N (2..256); 0: keep every colour
    bool quiet = false;               // -quiet: no progress lines (errors are still written)
    bool deleteSource = false;        // -D: remove each source once its PNG is complete
    QStringList files;
};

struct ParseResult {
    Options options;
    QString error;  // empty when the command line is good
};

// arguments without the program name
ParseResult ParseOptions(const QStringList& arguments);

}  // namespace nconvert
