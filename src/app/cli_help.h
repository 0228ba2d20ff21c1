// tavro-cli --help and --version, and the version line both programs print.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::cli {

// Usage, options, exit status and examples, as tavro-cli(1) has them.
extern const char* const kHelpText;

// "tavro-cli 0.3": the program's name and the project's version.
std::string VersionLine(std::string_view program);

// With --help (or -h) or --version among the arguments before "--", writes
// the answer to `out` and returns the exit status: 0, or 1 when it could not
// be written. Otherwise nothing.
std::optional<int> AnswerHelpOrVersion(const std::vector<std::string>& args, std::ostream& out);

}  // namespace tavro::cli
