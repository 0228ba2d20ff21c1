// tavro-cli's exports follow every safety rule (the table in export_safety.h).
#include <gtest/gtest.h>

#include "export_safety.h"
#include "run_program.h"

namespace tavro {
namespace {

namespace fs = std::filesystem;

TEST(ExportSafety, ThroughTavroCli) {
    const fs::path dir = fs::temp_directory_path() / ("tavro-export-safety-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    test::CheckExportSafety(dir, [](const test::ExportCall& call) {
        // A failing write: files may grow to 1 KB only, and the signal that would end the program is ignored.
        const auto run = testing_support::RunProgram({TAVRO_BIN_DIR "/tavro-cli", "--kiss", "--csv", call.target, call.input},
                                                     call.failWrite ? "trap '' XFSZ; ulimit -f 2; " : "");
        EXPECT_FALSE(run.signaled);
        return test::ExportOutcome{run.exitCode == 0, run.err};
    });
    fs::remove_all(dir);
}

}  // namespace
}  // namespace tavro
