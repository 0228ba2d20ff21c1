#include "options.h"

namespace nconvert {

namespace {
// A whole number in [low, high], or nullopt.
std::optional<int> NumberIn(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high) return std::nullopt;
    return value;
}
}  // namespace

ParseResult ParseOptions(const QStringList& arguments) {
    ParseResult result;
    Options& o = result.options;
    qsizetype i = 0;
    const auto fail = [&result](const QString& message) {
        result.error = message;
        return result;
    };
    const auto missing = [&](qsizetype needed) { return i + needed >= arguments.size(); };

    // Options come first; the first argument that is no option starts the files,
    // so a file name beginning with "-" can still follow them.
    for (; i < arguments.size() && arguments[i].startsWith('-'); ++i) {
        const QString& option = arguments[i];
        if (option == "-out") {
            if (missing(1)) return fail("-out needs a format");
            if (arguments[++i].compare("png", Qt::CaseInsensitive) != 0)
                return fail("unsupported output format " + arguments[i] + " (only png)");
        } else if (option == "-transpcolor") {
            if (missing(3)) return fail("-transpcolor needs three values R G B");
            int rgb[3];
            for (int& channel : rgb) {
                const auto value = NumberIn(arguments[++i], 0, 255);
                if (!value) return fail("-transpcolor: " + arguments[i] + " is not a value from 0 to 255");
                channel = *value;
            }
            o.transparent = qRgb(rgb[0], rgb[1], rgb[2]);
        } else if (option == "-colors") {
            if (missing(1)) return fail("-colors needs a number");
            const auto value = NumberIn(arguments[++i], 2, 256);
            if (!value) return fail("-colors: " + arguments[i] + " is not a number from 2 to 256");
            o.colours = *value;
        } else if (option == "-quiet") {
            o.quiet = true;
        } else if (option == "-D") {
            o.deleteSource = true;
        } else {
            return fail("unknown option " + option);
        }
    }
    for (; i < arguments.size(); ++i) o.files.append(arguments[i]);
    if (o.files.isEmpty()) return fail("no image file given");
    return result;
}

}  // namespace nconvert
