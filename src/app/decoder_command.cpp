#include "decoder_command.h"

#include <QCommandLineParser>
#include <QFile>
#include <iostream>

#include "cli_help.h"

namespace tavro::app {

const char* const kDecoderHelp =
    R"(Usage: tavro-decoder [--screenshot] [FILE...]

Opens the TAVRO Telemetry Decoder window: the housekeeping beacons of the
TAVRO CubeSat decoded into 47 engineering channels, record by record, with a
chart of any channel over all records and CSV, TLM and screenshot exports.

The FILEs are read as one selection: .log files with the log reader, the
others as KISS captures (SatNOGS exports are opened from the File menu).

Options:
  --screenshot   read the FILEs, save a screenshot as the "S" button does,
                 wait for its PNG and quit; the PNG's path goes to standard
                 output (with QT_QPA_PLATFORM=offscreen no display is needed)
  -h, --help     this text
  --version      the program's name and version
Qt's own options (-platform, -style, ...) are taken as well.

conf.ini is read from the program's folder when it is there, otherwise from
$XDG_CONFIG_HOME/tavro/conf.ini (~/.config/tavro/conf.ini). Screenshots go to
its IMAGE_PATH; without it, to the program's folder or, when that is not
writable, to the Pictures folder. See tavro-decoder(1).

Exit status:
  0  the window was closed; with --screenshot, the PNG was written
  1  with --screenshot, the picture or its PNG could not be written;
     or this text could not be written
  2  usage error

Examples:
  tavro-decoder pass1.kss pass2.kss
  tavro-decoder day1.log
  QT_QPA_PLATFORM=offscreen tavro-decoder --screenshot pass1.kss
)";

namespace {

int Answer(const std::string& text) {
    std::cout << text << std::flush;
    return std::cout ? 0 : 1;
}

}  // namespace

DecoderCommand ReadDecoderCommand(const QStringList& arguments, bool qtOptionsLeft) {
    QCommandLineParser parser;
    // "-platform" is one option, as Qt reads it, not seven letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // The parser only reads; kDecoderHelp is the description.
    const QCommandLineOption help(QStringList{"h", "help"}), version("version"), screenshot("screenshot");
    parser.addOptions({help, version, screenshot});
    const bool parsed = parser.parse(arguments);

    DecoderCommand command;
    if (parser.isSet(help)) command.exitStatus = Answer(kDecoderHelp);
    else if (parser.isSet(version)) command.exitStatus = Answer(cli::VersionLine("tavro-decoder"));
    else if (!parsed && !qtOptionsLeft) {
        std::cerr << "tavro-decoder: " << parser.errorText().toLocal8Bit().constData() << "\n"
                  << "Try 'tavro-decoder --help'.\n";
        command.exitStatus = 2;
    }
    command.files = parser.positionalArguments();
    command.screenshot = parser.isSet(screenshot);
    return command;
}

QStringList ArgumentList(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i) list << QFile::decodeName(argv[i]);
    return list;
}

}  // namespace tavro::app
