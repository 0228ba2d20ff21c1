#include "cli.h"

#include <charconv>
#include <iostream>

#include "atomic_file.h"
#include "cli_help.h"
#include "csv_writer.h"
#include "dump_writer.h"
#include "file_reading.h"
#include "output_path.h"
#include "tlm_writer.h"
#include "value_text.h"

namespace tavro::cli {

// What every usage error ends with: the way to the whole story.
const char* const kUsage = "Try 'tavro-cli --help'.\n";

namespace {

ParseResult Usage(std::string error) { return {std::nullopt, std::move(error)}; }

}  // namespace

ParseResult ParseArguments(const std::vector<std::string>& args, char defaultSeparator) {
    Options o;
    o.decimalSeparator = defaultSeparator;
    bool kiss = false, log = false, filesOnly = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (filesOnly || arg.empty() || arg[0] != '-' || arg == "-") {
            o.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            filesOnly = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 < args.size()) return args[++i];
            return std::nullopt;
        };
        if (arg == "--kiss" || arg == "--log") {
            if (inlineValue) return Usage(arg + " takes no value");
            (arg == "--kiss" ? kiss : log) = true;
        } else if (arg == "--csv" || arg == "--tlm" || arg == "--dump") {
            auto v = value();
            if (!v || v->empty()) return Usage(arg + " needs a path");
            (arg == "--csv" ? o.csvPath : arg == "--tlm" ? o.tlmPath : o.dumpPath) = *v;
        } else if (arg == "--record") {
            auto v = value();
            int n = 0;
            if (!v) return Usage("--record needs a number");
            auto res = std::from_chars(v->data(), v->data() + v->size(), n);
            if (res.ec != std::errc() || res.ptr != v->data() + v->size() || n < 1)
                return Usage("--record needs a record number from 1");
            o.record = n;
        } else if (arg == "--decimal-separator") {
            auto v = value();
            if (!v || (*v != "." && *v != ",")) return Usage("--decimal-separator is . or ,");
            o.decimalSeparator = (*v)[0];
        } else {
            return Usage("unknown option " + arg);
        }
    }
    if (kiss == log) return Usage("give one of --kiss and --log");
    if (o.files.empty()) return Usage("no input file");
    o.log = log;
    return {o, {}};
}

namespace {

bool Write(const std::string& path, const std::string& text, const std::vector<std::string>& inputs,
           std::ostream& err) {
    const WriteResult r = WriteFileAtomically(path, text, inputs);
    if (!r.ok) err << "tavro-cli: cannot write " << path << ": " << r.error << '\n';
    return r.ok;
}

}  // namespace

int Run(const Options& o, std::ostream& err) {
    TelemetryStore store;
    std::vector<SelectionEntry> files;
    for (const std::string& f : o.files) files.push_back({f, o.log ? InputKind::Log : InputKind::Kiss});
    ReadObserver quiet;
    const SelectionResult read = ReadSelection(store, files, quiet);
    for (const std::string& failure : read.failures) err << "tavro-cli: " << failure << '\n';

    const int count = store.table.RecordCount();
    if (o.tlmPath && o.record > std::max(count, 1)) {
        err << "tavro-cli: record " << o.record << " is beyond the " << count << " records read\n" << kUsage;
        return 2;
    }

    bool written = true;
    if (o.csvPath || !o.tlmPath) {
        const std::string path = o.csvPath ? *o.csvPath : OutputPath(store.InputFilePath, ".csv");
        written = Write(path, CsvText(store.table, o.decimalSeparator), o.files, err) && written;
    }
    if (o.tlmPath) {
        std::array<std::string, kChannelCount> texts;  // empty with no records, as the window shows them
        if (count > 0) {
            const TelemetryRecord& r = store.table[o.record - 1];
            for (int i = 0; i < kChannelCount; ++i)
                texts[static_cast<std::size_t>(i)] = DisplayText(i, r.Channels[static_cast<std::size_t>(i)], o.decimalSeparator);
        }
        written = Write(*o.tlmPath, TlmText(texts), o.files, err) && written;
    }
    if (o.dumpPath) written = Write(*o.dumpPath, DumpText(store.table), o.files, err) && written;

    err << "tavro-cli: " << SummaryText(store, read.failures.size()) << '\n';
    return read.failures.empty() && written ? 0 : 1;
}

int Main(const std::vector<std::string>& args, std::ostream& err) {
    if (const std::optional<int> answered = AnswerHelpOrVersion(args, std::cout)) return *answered;
    const ParseResult parsed = ParseArguments(args, DecimalSeparatorFromEnvironment());
    if (!parsed.options) {
        err << "tavro-cli: " << parsed.error << '\n' << kUsage;
        return 2;
    }
    return Run(*parsed.options, err);
}

}  // namespace tavro::cli
