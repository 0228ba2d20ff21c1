#include "cli.h"

#include <unistd.h>

#include <charconv>
#include <climits>
#include <iostream>
#include <ostream>

#include "archive_query.h"
#include "cli_help.h"
#include "conf_ini.h"
#include "file_reading.h"
#include "kiss_tcp_client.h"
#include "value_text.h"

namespace tavro::cli {

// What every usage error ends with: the way to the whole story.
const char* const kUsage = "Try 'tavro-cli --help'.\n";

namespace {

ParseResult Usage(std::string error) { return {std::nullopt, std::move(error)}; }

// The folder of the running program, where conf.ini is looked for.
std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    const std::string exe(path, static_cast<std::size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

}  // namespace

ParseResult ParseArguments(const std::vector<std::string>& args, char defaultSeparator) {
    Options o;
    o.decimalSeparator = defaultSeparator;
    int kinds = 0;
    bool filesOnly = false;
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
        const bool flag = arg == "--kiss" || arg == "--log" || arg == "--satnogs" || arg == "--dedupe" ||
                          arg == "--report" || arg == "--reconnect" || arg == "--query" || arg == "--archive-info";
        if (flag && inlineValue) return Usage(arg + " takes no value");
        if (arg == "--kiss" || arg == "--log" || arg == "--satnogs") {
            ++kinds;
            o.kind = arg == "--log" ? InputKind::Log : arg == "--satnogs" ? InputKind::Satnogs : InputKind::Kiss;
        } else if (arg == "--dedupe" || arg == "--report" || arg == "--reconnect") {
            (arg == "--dedupe" ? o.dedupe : arg == "--report" ? o.report : o.reconnect) = true;
        } else if (arg == "--query" || arg == "--archive-info") {
            (arg == "--query" ? o.query : o.archiveInfo) = true;
        } else if (arg == "--archive") {
            // Its PATH is optional: the next argument when it is not an option.
            if (inlineValue) o.archive = *inlineValue;
            else if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-') o.archive = args[++i];
            else o.archive = std::string();
            if (inlineValue && inlineValue->empty()) return Usage("--archive= needs a path");
        } else if (arg == "--from" || arg == "--to") {
            auto v = value();
            const auto ms = v ? QueryTimeOf(*v) : std::nullopt;
            if (!ms) return Usage(arg + " needs a UTC time YYYY-MM-DD[ hh:mm[:ss[.fff]]]");
            (arg == "--from" ? o.fromMs : o.toMs) = ms;
        } else if (arg == "--log-date") {
            auto v = value();
            const auto ms = v ? DateOf(*v) : std::nullopt;
            if (!ms) return Usage("--log-date needs a date YYYY-MM-DD");
            o.logDate = ms;
        } else if (arg == "--kiss-tcp") {
            ++kinds;
            auto v = value();
            std::string host;
            if (!v || !ParseHostPort(*v, host, o.port)) return Usage("--kiss-tcp needs HOST:PORT");
            o.host = host;
        } else if (arg == "--csv" || arg == "--tlm" || arg == "--dump" || arg == "--record-to") {
            auto v = value();
            if (!v || v->empty()) return Usage(arg + " needs a path");
            (arg == "--csv" ? o.csvPath : arg == "--tlm" ? o.tlmPath : arg == "--dump" ? o.dumpPath : o.recordTo) = *v;
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
    if (o.query || o.archiveInfo) {
        if (!o.archive) return Usage(std::string(o.query ? "--query" : "--archive-info") + " goes with --archive");
        if (o.query && o.archiveInfo) return Usage("give one of --query and --archive-info");
        if (kinds != 0 || !o.files.empty()) return Usage("--query and --archive-info read no input");
        if (o.tlmPath || o.dedupe || o.report || o.logDate || o.recordTo || o.reconnect)
            return Usage("--query and --archive-info take only --from, --to, --csv, --dump, --decimal-separator");
        if (o.archiveInfo && (o.csvPath || o.dumpPath || o.fromMs || o.toMs))
            return Usage("--archive-info takes no --from, --to, --csv, --dump");
        return {o, {}};
    }
    if (o.fromMs || o.toMs) return Usage("--from and --to go with --query");
    if (kinds != 1) return Usage("give one of --kiss, --log, --satnogs and --kiss-tcp");
    if (o.logDate && (o.kind != InputKind::Log || o.host)) return Usage("--log-date goes with --log");
    if (o.host) {
        if (!o.files.empty()) return Usage("--kiss-tcp reads no files");
    } else {
        if (o.recordTo || o.reconnect) return Usage("--record-to and --reconnect go with --kiss-tcp");
        if (o.files.empty()) return Usage("no input file");
    }
    return {o, {}};
}

bool WriteExports(const Session& session, const Options& o, bool defaultCsv, std::ostream& err) {
    bool written = true;
    const auto check = [&](const ExportResult& r) {
        if (!r.ok) err << "tavro-cli: cannot write " << r.path << ": " << r.error << '\n';
        written = written && r.ok;
    };
    // Without --csv and --tlm the CSV goes next to the last input file (or the
    // recording); a live session has streamed the one --csv names.
    if (o.csvPath ? !o.host : !o.tlmPath && defaultCsv) check(session.ExportCsv(o.csvPath.value_or(std::string())));
    if (o.tlmPath) check(session.ExportTlm(o.record - 1, *o.tlmPath));  // empty texts with no records
    if (o.dumpPath) check(session.ExportDump(*o.dumpPath));
    return written;
}

void ReportEnd(const Session& session, const Options& o, std::ostream& err) {
    const SelectionSummary summary = session.Summary();
    if (o.report) err << AlignedTable(ReportRows(summary));
    err << "tavro-cli: " << summary.Text() << '\n' << ArchiveLine(session, o);
}

int Run(const Options& o, std::ostream& err) {
    Session session;
    session.SetDecimalSeparator(o.decimalSeparator);
    session.SetMergeDuplicates(o.dedupe);
    std::vector<SelectionEntry> files;
    for (const std::string& f : o.files) files.push_back({f, o.kind});
    const bool archiving = !o.archive || StartArchiving(session, o, err);
    session.SetLogDate(o.logDate);
    ReadObserver quiet;
    ReadSelection(session, files, quiet);
    const bool archived = EndArchiving(session, o, err) && archiving;
    const SelectionSummary summary = session.Summary();
    for (const std::string& failure : summary.failures) err << "tavro-cli: " << failure << '\n';

    const int count = session.RecordCount();
    if (o.tlmPath && o.record > std::max(count, 1)) {
        err << "tavro-cli: record " << o.record << " is beyond the " << count << " records read\n" << kUsage;
        return 2;
    }
    const bool written = WriteExports(session, o, true, err);
    ReportEnd(session, o, err);
    return summary.failures.empty() && written && archived ? 0 : 1;
}

int Main(const std::vector<std::string>& args, std::ostream& err) {
    if (const std::optional<int> answered = AnswerHelpOrVersion(args, std::cout)) return *answered;
    const ParseResult parsed = ParseArguments(args, DecimalSeparatorFromEnvironment());
    if (!parsed.options) {
        err << "tavro-cli: " << parsed.error << '\n' << kUsage;
        return 2;
    }
    Options o = *parsed.options;
    const bool needFolders = o.host || (o.archive && o.archive->empty());
    const ProgramFolders folders = needFolders ? ChooseFolders(FolderFactsOf(ProgramFolder())) : ProgramFolders{};
    const Settings settings = needFolders ? LoadSettings(folders) : Settings{};
    if (o.archive && o.archive->empty()) {
        o.archive = settings.archivePath;
        // ~/.local/share/tavro/ is made on first use; a folder conf.ini names is not.
        o.archiveMakeFolder = folders.userFolders && settings.archivePath == folders.archiveFile;
    }
    if (o.query || o.archiveInfo) return RunArchiveQuery(o, err);
    if (o.host) {
        const std::string captureFolder = settings.capturePath;
        // The user's Documents/TAVRO/ is made when the first bytes arrive; a folder of conf.ini's is not.
        return RunLive(o, captureFolder, folders.userFolders && captureFolder == folders.captureFolder, err);
    }
    return Run(o, err);
}

}  // namespace tavro::cli
