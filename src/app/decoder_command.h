// tavro-decoder's command line, read with QCommandLineParser:
//   tavro-decoder [--screenshot] [FILE...]      --help, --version
//   tavro-decoder --kiss-tcp HOST:PORT
//   tavro-decoder --kiss-serial DEVICE[:BAUD]
#pragma once

#include <QStringList>
#include <optional>

namespace tavro::app {

// Usage, options, exit status and examples, as tavro-decoder(1) has them.
extern const char* const kDecoderHelp;

struct DecoderCommand {
    std::optional<int> exitStatus;  // set: answered (--help, --version) or refused (2); end with it
    QStringList files;              // as given
    bool screenshot = false;        // --screenshot
    QString kissHost;               // --kiss-tcp: connect at start
    int kissPort = 0;
    QString serialDevice;           // --kiss-serial: open at start
    int serialBaud = 0;             // 0: conf.ini's KISS_SERIAL_BAUD
};

// arguments: the program's name, then its arguments. Read once before the
// QApplication exists, so --help and --version need no display, and once
// after it has taken Qt's own options (-platform, -style, ...): until then
// (qtOptionsLeft) an unknown option is no error yet. Answers and errors are
// written to standard output and standard error.
DecoderCommand ReadDecoderCommand(const QStringList& arguments, bool qtOptionsLeft);

// argv as a list, in the file system's encoding.
QStringList ArgumentList(int argc, char** argv);

}  // namespace tavro::app
