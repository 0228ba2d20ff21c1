// tavro-cli's arguments from any bytes (NUL separates arguments): the parser
// either accepts a complete command or names a usage error.
#include <string>
#include <vector>

#include "cli.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavro;
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) args.emplace_back();
        else args.back() += static_cast<char>(data[i]);
    }
    for (char separator : {'.', ','}) {
        const cli::ParseResult r = cli::ParseArguments(args, separator);
        if (!r.options) {
            fuzz::Require(!r.error.empty(), "usage error without a message");
            continue;
        }
        const cli::Options& o = *r.options;
        if (o.host) {  // live reception: a server, no files
            fuzz::Require(o.files.empty() && !o.host->empty() && o.port >= 1, "live without a server, or with files");
        } else if (o.serialDevice) {  // live reception from a serial TNC, no files
            fuzz::Require(o.files.empty(), "serial live reception with files");
        } else if (o.query || o.archiveInfo || o.satnogsDb) {  // the archive alone
            fuzz::Require(o.files.empty() && o.archive.has_value(), "an archive command with files or without --archive");
        } else {
            fuzz::Require(!o.files.empty(), "accepted without an input file");
            fuzz::Require(!o.recordTo && !o.reconnect, "--record-to or --reconnect without --kiss-tcp");
        }
        fuzz::Require(o.record >= 1, "record number below 1");
        fuzz::Require(o.decimalSeparator == '.' || o.decimalSeparator == ',', "bad decimal separator");
        for (const auto* path : {&o.csvPath, &o.tlmPath, &o.dumpPath, &o.recordTo})
            fuzz::Require(!*path || !(*path)->empty(), "empty output path");
    }
    return 0;
}
