#include "cli.h"

#include <charconv>
#include <ostream>

#include "file_reading.h"
#include "session.h"
#include "value_text.h"

namespace tavro::cli {

const char* const kUsage =
    "usage: tavro-cli (--kiss | --log) [--csv PATH] [--tlm PATH] [--record N]\n"
    "                 [--dump PATH] [--decimal-separator SEP] FILE...\n";

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

int Run(const Options& o, std::ostream& err) {
    Session session;
    session.SetDecimalSeparator(o.decimalSeparator);
    std::vector<SelectionEntry> files;
    for (const std::string& f : o.files) files.push_back({f, o.log ? InputKind::Log : InputKind::Kiss});
    ReadObserver quiet;
    ReadSelection(session, files, quiet);
    const SelectionSummary summary = session.Summary();
    for (const std::string& failure : summary.failures) err << "tavro-cli: " << failure << '\n';

    const int count = session.RecordCount();
    if (o.tlmPath && o.record > std::max(count, 1)) {
        err << "tavro-cli: record " << o.record << " is beyond the " << count << " records read\n" << kUsage;
        return 2;
    }
    bool written = true;
    const auto check = [&](const ExportResult& r) {
        if (!r.ok) err << "tavro-cli: cannot write " << r.path << ": " << r.error << '\n';
        written = written && r.ok;
    };
    // Without --csv and --tlm the CSV goes next to the last input file.
    if (o.csvPath || !o.tlmPath) check(session.ExportCsv(o.csvPath.value_or(std::string())));
    if (o.tlmPath) check(session.ExportTlm(o.record - 1, *o.tlmPath));  // empty texts with no records
    if (o.dumpPath) check(session.ExportDump(*o.dumpPath));

    err << "tavro-cli: " << summary.Text() << '\n';
    return summary.failures.empty() && written ? 0 : 1;
}

int Main(const std::vector<std::string>& args, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        err << kUsage;
        return 0;
    }
    const ParseResult parsed = ParseArguments(args, DecimalSeparatorFromEnvironment());
    if (!parsed.options) {
        err << "tavro-cli: " << parsed.error << '\n' << kUsage;
        return 2;
    }
    return Run(*parsed.options, err);
}

}  // namespace tavro::cli
