// tavro-cli --kiss-tcp, --kiss-serial: live reception from a KISS TCP server
// or a serial TNC, recorded as a capture, with the CSV rows written as the
// records arrive. Both sources say the same things; only the words differ.
#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <ostream>

#include "cli.h"
#include "kiss_serial_source.h"
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

// The source the options name, and what it is called in messages.
std::unique_ptr<LiveSource> MakeSource(const Options& o, const Settings& settings) {
    if (o.serialDevice) {
        KissSerialSource::Options options;
        options.device = *o.serialDevice;
        options.baud = o.baud.value_or(settings.kissSerialBaud);
        options.rtscts = settings.kissSerialRtsCts;
        options.init = settings.kissSerialInit;
        options.reconnect = o.reconnect;
        return std::make_unique<KissSerialSource>(options);
    }
    KissTcpClient::Options options;
    options.host = *o.host;
    options.port = o.port;
    options.reconnect = o.reconnect;
    return std::make_unique<KissTcpClient>(options);
}

}  // namespace

int RunLive(const Options& o, const Settings& settings, bool makeFolder, std::ostream& err) {
    Session session;
    session.SetDecimalSeparator(o.decimalSeparator);
    session.SetMergeDuplicates(o.dedupe);
    session.SetKissPort(o.kissPort.value_or(settings.kissTncPort));
    const bool serial = o.serialDevice.has_value();
    const std::string server = serial ? *o.serialDevice
                                      : (o.host->find(':') != std::string::npos ? "[" + *o.host + "]" : *o.host) + ":" +
                                            std::to_string(o.port);
    const std::string recordingPath = o.recordTo.value_or(LiveCapturePath(settings.capturePath, NowMilliseconds()));
    // Every file the session writes, each once: none may write into another,
    // nor into the serial device it reads.
    std::vector<LiveOutput> outputs{{o.recordTo ? "--record-to" : "the recording", recordingPath}};
    if (serial) outputs.push_back({"--kiss-serial", *o.serialDevice});
    if (o.csvPath) outputs.push_back({"--csv", *o.csvPath});
    else if (!o.tlmPath) outputs.push_back({"the CSV", OutputPath(recordingPath, ".csv")});  // named after the recording
    if (o.tlmPath) outputs.push_back({"--tlm", *o.tlmPath});
    if (o.dumpPath) outputs.push_back({"--dump", *o.dumpPath});
    if (o.archive) outputs.push_back({"--archive", *o.archive});
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

    const std::unique_ptr<Sharing> sharing = StartSharing(o, session, true, std::cout);
    const StopSignals signals;
    const std::unique_ptr<LiveSource> source = MakeSource(o, settings);
    LiveSource& client = *source;
    bool connected = false, unreachable = false, ended = false;
    std::string recordingError, archiveStatus;
    while (!ended) {
        client.WaitForMessages(std::chrono::milliseconds(250));
        if (g_stopRequested) client.Stop();
        for (LiveSource::Message& m : client.Take()) {
            switch (m.event) {
                case LiveSource::Event::Connecting: break;
                case LiveSource::Event::Connected:
                    connected = true;
                    if (serial)
                        err << "tavro-cli: opened " << server << " at " << o.baud.value_or(settings.kissSerialBaud)
                            << " baud\n";
                    else
                        err << "tavro-cli: connected to " << server << '\n';
                    break;
                case LiveSource::Event::Bytes: session.Feed(m.bytes); break;
                case LiveSource::Event::Dropped:
                    session.StreamDropped();
                    if (!connected) {  // never reached: nothing to wait for
                        err << "tavro-cli: cannot " << (serial ? "open " : "connect to ") << server << ": " << m.detail
                            << '\n';
                        unreachable = true;
                        client.Stop();
                    } else if (serial) {
                        err << "tavro-cli: " << server << ": " << m.detail << '\n';  // "device lost"
                    } else {
                        err << "tavro-cli: connection to " << server << " ended: " << m.detail << '\n';
                    }
                    break;
                case LiveSource::Event::Waiting:
                    err << "tavro-cli: " << (serial ? "trying again in " : "reconnecting in ")
                        << (m.delay.count() + 999) / 1000 << " s\n";
                    break;
                case LiveSource::Event::Ended: ended = true; break;
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
    const bool shared = EndSharing(sharing.get(), err);
    return unreachable || !written || !recordingError.empty() || !archived || !shared ? 1 : 0;
}

}  // namespace tavro::cli
