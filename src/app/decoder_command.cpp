#include "decoder_command.h"

#include <QCommandLineParser>
#include <QFile>
#include <iostream>

#include "cli_help.h"
#include "kiss_serial_source.h"
#include "kiss_tcp_client.h"

namespace tavro::app {

const char* const kDecoderHelp =
    R"(Usage: tavro-decoder [--screenshot] [FILE...]
       tavro-decoder --kiss-tcp HOST:PORT
       tavro-decoder --kiss-serial DEVICE[:BAUD]

Opens the TAVRO Telemetry Decoder window: the housekeeping beacons of the
TAVRO CubeSat decoded into 47 engineering channels, record by record, with a
chart of any channel over all records and CSV, TLM and screenshot exports.

The FILEs are read as one selection: .log files with the log reader, .csv
and .json files as SatNOGS frame exports, the others as KISS captures.

Options:
  --kiss-tcp HOST:PORT
                 connect to a KISS TCP server at start, as "Connect to KISS
                 server..." does (Direwolf: port 8001; UZ7HO soundmodem,
                 gr-satellites: 8100)
  --kiss-serial DEVICE[:BAUD]
                 open a TNC on a serial line at start, as "Connect to serial
                 TNC..." does (/dev/ttyUSB0, /dev/rfcomm0, ...; BAUD 1200 to
                 115200, default conf.ini's KISS_SERIAL_BAUD, else 9600)
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
  tavro-decoder --kiss-tcp localhost:8001
  tavro-decoder --kiss-serial /dev/ttyUSB0:9600
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
    const QCommandLineOption help(QStringList{"h", "help"}), version("version"), screenshot("screenshot"),
        kissTcp("kiss-tcp", QString(), QStringLiteral("HOST:PORT")),
        kissSerial("kiss-serial", QString(), QStringLiteral("DEVICE[:BAUD]"));
    parser.addOptions({help, version, screenshot, kissTcp, kissSerial});
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
    if (parser.isSet(kissTcp) && !command.exitStatus) {
        std::string host;
        std::uint16_t port = 0;
        if (!ParseHostPort(parser.value(kissTcp).toStdString(), host, port)) {
            std::cerr << "tavro-decoder: --kiss-tcp needs HOST:PORT\nTry 'tavro-decoder --help'.\n";
            command.exitStatus = 2;
        }
        command.kissHost = QString::fromStdString(host);
        command.kissPort = port;
    }
    if (parser.isSet(kissSerial) && !command.exitStatus) {
        std::string device;
        int baud = 0;
        if (parser.isSet(kissTcp) || !ParseSerialDevice(QFile::encodeName(parser.value(kissSerial)).toStdString(), device, baud)) {
            std::cerr << "tavro-decoder: --kiss-serial needs DEVICE or DEVICE:BAUD (1200 to 115200), without --kiss-tcp\n"
                         "Try 'tavro-decoder --help'.\n";
            command.exitStatus = 2;
        }
        command.serialDevice = QFile::decodeName(QByteArray::fromStdString(device));
        command.serialBaud = baud;
    }
    return command;
}

QStringList ArgumentList(int argc, char** argv) {
    QStringList list;
    for (int i = 0; i < argc; ++i) list << QFile::decodeName(argv[i]);
    return list;
}

}  // namespace tavro::app
