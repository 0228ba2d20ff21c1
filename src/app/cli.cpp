#include "cli.h"

namespace tavro::cli {
const char* const kUsage = "";
ParseResult ParseArguments(const std::vector<std::string>&, char) { return {}; }
int Run(const Options&, std::ostream&) { return 0; }
int Main(const std::vector<std::string>&, std::ostream&) { return 0; }
}  // namespace tavro::cli
