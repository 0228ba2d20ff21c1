// tavro-cli's archive: --archive beside the files or a live stream, and
// --query / --archive-info, which read the archive only.
#include <iostream>
#include <ostream>

#include "archive_query.h"
#include "cli.h"

namespace tavro::cli {

bool StartArchiving(Session& session, const Options& o, std::ostream& err) {
    const std::string error = session.StartArchiving(*o.archive, o.archiveMakeFolder);
    if (error.empty()) return true;
    err << "tavro-cli: " << error << '\n';  // it names the archive
    return false;
}

bool EndArchiving(Session& session, const Options& o, std::ostream& err) {
    if (!session.Archiving()) return true;
    session.WaitForArchive();
    const SelectionSummary summary = session.Summary();
    bool all = true;
    for (std::size_t i = 0; i < summary.archived.size(); ++i) {
        const ArchiveCounts& file = summary.archived[i];
        if (file.failed == 0) continue;
        err << "tavro-cli: cannot add " << summary.files[i].file << " to the archive " << *o.archive << ": " << file.error
            << '\n';
        all = false;
    }
    return all;
}

std::string ArchiveLine(const Session& session, const Options& o) {
    if (!session.Archiving()) return {};
    ArchiveCounts total;
    for (const ArchiveCounts& file : session.Summary().archived) {
        total.beaconsNew += file.beaconsNew;
        total.receptionsAdded += file.receptionsAdded;
    }
    return "tavro-cli: archive " + *o.archive + ": " + std::to_string(total.beaconsNew) + " beacons new, " +
           std::to_string(total.receptionsAdded) + " receptions added\n";
}

int RunArchiveQuery(const Options& o, std::ostream& err) {
    const OpenedArchive opened = OpenArchive(*o.archive, true);
    if (!opened.archive) {
        err << "tavro-cli: " << opened.error << '\n';
        return 1;
    }
    Archive& archive = *opened.archive;
    if (o.archiveInfo) {
        ArchiveInfo info;
        if (!archive.Info(info)) {
            err << "tavro-cli: cannot read the archive " << *o.archive << ": " << archive.Error() << '\n';
            return 1;
        }
        std::cout << ArchiveInfoText(info) << std::flush;
        return std::cout ? 0 : 1;
    }
    const TimeSpan span{o.fromMs, o.toMs};
    bool written = true;
    const auto check = [&](const ExportResult& r) {
        if (!r.ok) err << "tavro-cli: cannot write " << r.path << ": " << r.error << '\n';
        written = written && r.ok;
    };
    // Without --csv and --dump the CSV goes to standard output.
    if (o.csvPath || !o.dumpPath) check(ExportArchiveCsv(archive, span, o.csvPath.value_or("-"), o.decimalSeparator));
    if (o.dumpPath) check(ExportArchiveDump(archive, span, *o.dumpPath));
    return written ? 0 : 1;
}

}  // namespace tavro::cli
