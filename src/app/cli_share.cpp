// tavro-cli --share, --share-dry-run and --satnogs-db: the station's
// settings from conf.ini, the upload queue in the archive, the summary line.
#include <cstdlib>
#include <iostream>
#include <ostream>

#include "cli.h"
#include "conf_file.h"
#include "archive.h"
#include "satnogs_db_fetch.h"
#include "sharing.h"
#include "time_stamp.h"
#include "tavro_build_info.h"
#include "user_folders.h"
#include "utc_time.h"

namespace tavro::cli {

namespace {

std::string ConfText() { return ReadConfText(ChooseFolders(FolderFactsOf(ProgramFolder())).confIni); }

}  // namespace

std::unique_ptr<Sharing> StartSharing(const Options& o, Session& session, bool live, std::ostream& out) {
    if (!o.share && !o.shareDryRun) return nullptr;
    const std::string conf = ConfText();
    SharingOptions options;
    options.station = StationSettingsOf(conf);
    options.archiveLocation = o.shareArchive;
    options.defaultSqliteArchive = o.defaultSqliteArchive;
    options.version = "tavro-cli " TAVRO_VERSION;
    options.files = true;
    options.background = live;
    if (o.shareDryRun) options.dryRun = [&out](const std::string& body) { out << body << '\n' << std::flush; };
    auto sharing = std::make_unique<Sharing>(std::move(options));
    sharing->Attach(session);
    return sharing;
}

bool EndSharing(Sharing* sharing, std::ostream& err) {
    if (!sharing) return true;
    sharing->Finish();
    const ShareStatus status = sharing->Status();
    if (const long long n = sharing->FramesWithoutTime(); n > 0)
        err << "tavro-cli: " << n << " frames without a UTC time are not shared\n";
    if (sharing->DryRun() && status.problem.empty()) {
        err << "tavro-cli: dry run: " << sharing->FramesOffered() - sharing->FramesWithoutTime()
            << " requests printed, nothing sent\n";
        return true;
    }
    if (!status.problem.empty()) {
        err << "tavro-cli: " << ShareStatusText(status) << '\n';
        return false;
    }
    err << "tavro-cli: " << ShareStatusText(status);
    if (status.waiting > 0 && !status.lastFailure.empty()) err << "; the server: " << status.lastFailure;
    err << '\n';
    return status.waiting == 0;
}

int RunSatnogsDb(const Options& o, std::ostream& err) {
    Session session;
    if (const std::string why = session.StartArchiving(*o.archive, o.archiveMakeFolder); !why.empty()) {
        err << "tavro-cli: " << why << '\n';
        return 1;
    }
    DbFetchOptions options;
    options.station = StationSettingsOf(ConfText());
    options.fromMs = o.fromMs;
    options.toMs = o.toMs;
    if (OpenedArchive opened = OpenArchive(*o.archive, true); opened.archive)
        options.newestFetched = opened.archive->NewestReception(SourceKind::SatnogsDb);
    options.nowMs = NowMilliseconds();
    options.progress = [&err](const DbFetchProgress& counts) {
        err << "tavro-cli: SatNOGS DB: " << DbFetchCountsText(counts) << '\n' << std::flush;
    };
    const DbFetchResult result = FetchFromSatnogsDb(options, SessionPageSink(session));
    session.StopArchiving();
    err << "tavro-cli: SatNOGS DB from " << UtcText(result.fromMs) << " to " << UtcText(result.toMs) << " UTC: "
        << DbFetchCountsText(result.counts) << '\n';
    if (!result.message.empty()) err << "tavro-cli: " << result.message << '\n';
    return result.ok ? 0 : 1;
}

}  // namespace tavro::cli
