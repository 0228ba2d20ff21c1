// nconvert: image files to PNG, e.g. the screenshot bitmaps of tavro-decoder.
//   nconvert -out png -transpcolor 240 240 240 -colors 256 -quiet -D FILE...
// Exit 0 when every file was converted; 1 when one failed; 2 for a bad command line.
#include <QCoreApplication>
#include <QTextStream>

#include "convert_file.h"
#include "options.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // loads the image format plugins
    QTextStream err(stderr);
    QTextStream out(stdout);

    QStringList arguments = app.arguments();
    arguments.removeFirst();
    const nconvert::ParseResult parsed = nconvert::ParseOptions(arguments);
    if (!parsed.error.isEmpty()) {
        err << "nconvert: " << parsed.error << "\n"
            << "usage: nconvert [-out png] [-transpcolor R G B] [-colors N] [-quiet] [-D] FILE...\n";
        return 2;
    }

    int status = 0;
    for (const QString& file : parsed.options.files) {
        const QString error = nconvert::ConvertFile(file, parsed.options);
        if (!error.isEmpty()) {
            err << "nconvert: " << error << "\n";
            err.flush();
            status = 1;
        } else if (!parsed.options.quiet) {
            out << "Conversion of " << file << " into " << nconvert::PngPathFor(file) << " OK\n";
            out.flush();
        }
    }
    return status;
}
