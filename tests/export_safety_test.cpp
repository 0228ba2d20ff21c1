// tavro-cli's exports follow every safety rule (the table in export_safety.h).
#include <gtest/gtest.h>

#include "export_safety.h"

using namespace tavro;

TEST(ExportSafety, ThroughTavroCli) {
    test::CheckExportSafety(test::TempDir("export-safety"), [](const test::ExportCall& call) {
        // A failing write: files may grow to 1 KB only (tavro-cli ignores the SIGXFSZ that would end it).
        std::vector<std::string> args{TAVRO_BIN_DIR "/tavro-cli", "--kiss", "--csv", call.target};
        args.insert(args.end(), call.inputs.begin(), call.inputs.end());
        const auto run = test::RunProgram(args, call.failWrite ? "ulimit -f 2; " : "");
        EXPECT_FALSE(run.signaled);
        return test::ExportOutcome{run.exitCode == 0, run.err};
    });
}
