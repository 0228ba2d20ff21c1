// tavro-cli: the batch twin of the window.
//   tavro-cli (--kiss | --log) [--csv PATH] [--tlm PATH] [--record N]
//             [--dump PATH] [--decimal-separator SEP] FILE...
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tavro::cli {

struct Options {
    bool log = false;  // --log; otherwise --kiss
    std::optional<std::string> csvPath;
    std::optional<std::string> tlmPath;
    std::optional<std::string> dumpPath;
    int record = 1;  // 1-based
    char decimalSeparator = '.';
    std::vector<std::string> files;
};

struct ParseResult {
    std::optional<Options> options;  // empty: usage error
    std::string error;
};

// defaultSeparator: the locale's, used when --decimal-separator is absent.
ParseResult ParseArguments(const std::vector<std::string>& args, char defaultSeparator);

// Runs the command; returns the exit status (0, 1 or 2).
int Run(const Options& options, std::ostream& err);

// argv[1..] -> exit status; what main() calls.
int Main(const std::vector<std::string>& args, std::ostream& err);

// Ends every usage error: "Try 'tavro-cli --help'."
extern const char* const kUsage;

}  // namespace tavro::cli
