// tavro-cli --kiss-tcp: live reception from a KISS TCP server, recorded as a
// capture, with the CSV rows written as the records arrive.
#include <atomic>
#include <chrono>
#include <csignal>
#include <ostream>

#include "cli.h"
#include "kiss_tcp_client.h"
#include "output_path.h"
#include "time_stamp.h"

namespace tavro::cli {

namespace {

std::atomic<bool> g_stopRequested{false};
extern "C" void RequestStop(int) { g_stopRequested = true; }

// SIGINT and SIGTERM end the session cleanly while it lives.
class StopSignals {
public:
    StopSignals() {
        g_stopRequested = false;
        struct sigaction action {};
        action.sa_handler = RequestStop;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &oldInt_);
        ::sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~StopSignals() {
        ::sigaction(SIGINT, &oldInt_, nullptr);
        ::sigaction(SIGTERM, &oldTerm_, nullptr);
    }

private:
    struct sigaction oldInt_ {}, oldTerm_ {};
};

}  // namespace

int RunLive(const Options& o, const std::string& captureFolder, bool makeFolder, std::ostream& err) {
    Session session;
    session.SetDecimalSeparator(o.decimalSeparator);
    session.SetMergeDuplicates(o.dedupe);
    const std::string server = (o.host->find(':') != std::string::npos ? "[" + *o.host + "]" : *o.host) + ":" +
                               std::to_string(o.port);
    const std::string recordingPath = o.recordTo.value_or(LiveCapturePath(captureFolder, NowMilliseconds()));
    // Every file the session writes, each once: none may write into another.
    std::vector<LiveOutput> outputs{{o.recordTo ? "--record-to" : "the recording", recordingPath}};
    if (o.csvPath) outputs.push_back({"--csv", *o.csvPath});
    else if (!o.tlmPath) outputs.push_back({"the CSV", OutputPath(recordingPath, ".csv")});  // named after the recording
    if (o.tlmPath) outputs.push_back({"--tlm", *o.tlmPath});
    if (o.dumpPath) outputs.push_back({"--dump", *o.dumpPath});
    if (const std::string clash = Session::LiveOutputsClash(outputs); !clash.empty()) {
        err << "tavro-cli: " << clash << '\n' << kUsage;
        return 2;
    }
    // The archive is opened first: its records are kept from the first frame on.
    const bool archiving = !o.archive || StartArchiving(session, o, err);
    session.BeginStream({server, recordingPath, o.recordTo.has_value(), makeFolder && !o.recordTo, {}});
    bool written = true;
    if (o.csvPath) {
        const ExportResult csv = session.StreamCsv(*o.csvPath);
        if (!csv.ok) err << "tavro-cli: cannot write " << csv.path << ": " << csv.error << '\n';
        written = csv.ok;
    }

    const StopSignals signals;
    KissTcpClient::Options options;
    options.host = *o.host;
    options.port = o.port;
    options.reconnect = o.reconnect;
    KissTcpClient client(options);
    bool connected = false, unreachable = false, ended = false;
    std::string recordingError, archiveStatus;
    while (!ended) {
        client.WaitForMessages(std::chrono::milliseconds(250));
        if (g_stopRequested) client.Stop();
        for (KissTcpClient::Message& m : client.Take()) {
            switch (m.event) {
                case KissTcpClient::Event::Connecting: break;
                case KissTcpClient::Event::Connected:
                    connected = true;
                    err << "tavro-cli: connected to " << server << '\n';
                    break;
                case KissTcpClient::Event::Bytes: session.Feed(m.bytes); break;
                case KissTcpClient::Event::Dropped:
                    session.StreamDropped();
                    if (!connected) {  // never reached: nothing to wait for
                        err << "tavro-cli: cannot connect to " << server << ": " << m.detail << '\n';
                        unreachable = true;
                        client.Stop();
                    } else {
                        err << "tavro-cli: connection to " << server << " ended: " << m.detail << '\n';
                    }
                    break;
                case KissTcpClient::Event::Waiting:
                    err << "tavro-cli: reconnecting in " << (m.delay.count() + 999) / 1000 << " s\n";
                    break;
                case KissTcpClient::Event::Ended: ended = true; break;
            }
        }
        if (const std::string status = session.ArchiveStatus(); status != archiveStatus) {
            archiveStatus = status;  // "archive: reconnecting…", and back to "" once written again
            if (!status.empty()) err << "tavro-cli: " << status << '\n';
        }
        if (recordingError.empty() && !session.RecordingError().empty()) {
            recordingError = session.RecordingError();
            err << "tavro-cli: recording to " << session.RecordingPath() << " failed: " << recordingError << '\n';
        }
    }
    const std::string recording = session.RecordingPath();
    const bool started = session.RecordingStarted();
    session.EndStream();
    const bool archived = EndArchiving(session, o, err) && archiving;
    if (started && recordingError.empty()) err << "tavro-cli: recorded to " << recording << '\n';
    // Nothing received: nothing named after a recording that is not there.
    if (!unreachable) written = WriteExports(session, o, started, err) && written;
    ReportEnd(session, o, err);
    return unreachable || !written || !recordingError.empty() || !archived ? 1 : 0;
}

}  // namespace tavro::cli
