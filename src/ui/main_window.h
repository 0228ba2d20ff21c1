// The main window: the 47-row channel grid, the chart frame, the status
// line, the record counter and scroll bar, and the menus.
//
// The window decodes, formats, names and writes nothing itself: it feeds
// the engine session and shows what the session answers. Its handlers are
// spread over several files:
//   main_window.cpp      construction, menus, settings, closing, dropped files, Info, screenshot
//   window_layout.cpp    the controls and their places (client area 690 x 642)
//   record_browser.cpp   OnRecordScrolled, ShowRecord
//   channel_select.cpp   OnChannelChosen, OnBarsToggled
//   open_commands.cpp    OnOpenKiss, OnOpenLog, OnOpenSatnogs, OpenFiles and the read itself
//   export_commands.cpp  OnWriteCsv, OnWriteTlm, OnReport
//   live_commands.cpp    OnConnect, ConnectTo, OnDisconnect: live reception
//   station_commands.cpp OnStationSettings, OnShareToggled: the station and sharing with SatNOGS
//   satnogs_db_commands.cpp  OnUpdateFromSatnogsDb: the network's frames into the archive
//   serial_commands.cpp  OnConnectSerial, ConnectToSerial: live reception from a serial TNC
//   archive_commands.cpp the "Archive" menu: OnArchiveToggled, OnHistory, the log's date
#pragma once

#include <QDate>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "channels.h"
#include "conf_ini.h"
#include "file_reading.h"
#include "info_window.h"
#include "live_source.h"
#include "screenshot.h"
#include "session.h"
#include "user_folders.h"

class QAction;
class QCheckBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

namespace tavro {
class KissTcpClient;
class Sharing;
struct DbFetchResult;
}

namespace tavro::ui {

class ChannelChart;
class HistoryWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The widgets. window_layout.cpp lists each with its place and its name
    // in the window's original layout.
    struct Controls {
        QWidget* clientArea = nullptr;  // everything below the menu bar
        std::array<QRadioButton*, kChannelCount> channelButtons{};
        std::array<QLineEdit*, kChannelCount> valueBoxes{};
        std::array<QLabel*, kChannelCount> unitLabels{};
        QLabel* timeLabel = nullptr;
        QGroupBox* chartFrame = nullptr;
        ChannelChart* chart = nullptr;
        QCheckBox* barsCheck = nullptr;
        QPushButton* screenshotButton = nullptr;
        QLineEdit* statusLine = nullptr;
        QLineEdit* recordCounter = nullptr;
        QScrollBar* recordScroll = nullptr;
        QAction* openKissAction = nullptr;
        QAction* openLogAction = nullptr;
        QAction* openSatnogsAction = nullptr;
        QAction* mergeAction = nullptr;  // checkable
        QAction* reportAction = nullptr;
        QAction* connectAction = nullptr;
        QAction* connectSerialAction = nullptr;
        QAction* disconnectAction = nullptr;
        QAction* quitAction = nullptr;
        QAction* writeCsvAction = nullptr;
        QAction* writeTlmAction = nullptr;
        QAction* infoAction = nullptr;
        QAction* stationSettingsAction = nullptr;
        QAction* shareAction = nullptr;  // checkable
        QAction* updateFromDbAction = nullptr;
        QAction* archiveAction = nullptr;  // checkable: "Keep every record in the archive"
        QAction* historyAction = nullptr;
    };

    // programFolder: where conf.ini and nconvert are looked for; empty means
    // the folder of the running program.
    explicit MainWindow(const QString& programFolder = QString(), QWidget* parent = nullptr);
    ~MainWindow() override;

    // --- handlers; the menus, buttons and scroll bar call these
    void OnOpenKiss();
    void OnOpenLog();
    void OnOpenSatnogs();
    void OnWriteCsv();
    void OnWriteTlm();
    void OnReport();
    void OnConnect();  // the dialog, then ConnectTo
    void ConnectTo(const QString& host, int port);
    void OnConnectSerial();  // the dialog, then ConnectToSerial
    // baud 0: conf.ini's KISS_SERIAL_BAUD (or the last one of this run).
    void ConnectToSerial(const QString& device, int baud = 0);
    void OnDisconnect();
    void OnStationSettings();  // the dialog; saved to conf.ini when its checks pass
    void OnShareToggled(bool on);
    // What sharing says for the status line; empty when sharing is off.
    QString SharingStatus() const;
    // Archive -> Update from SatNOGS DB: runs until the pages end, a failure or Cancel.
    void OnUpdateFromSatnogsDb();
    bool Fetching() const { return dbFetch_ != nullptr; }
    void OnInfo();
    void OnQuit();
    void OnArchiveToggled(bool on);
    void OnHistory();
    void OnRecordScrolled();
    void OnChannelChosen(int channel);
    void OnBarsToggled();
    // "Merge duplicate frames": the loaded files are read again with it; on
    // a live connection it applies from the next frame on.
    void OnMergeToggled(bool merge);
    ScreenshotResult OnScreenshot();
    // Opens files as one selection, each by its kind (".log" or KISS): the
    // command line and files dropped onto the window.
    void OpenFiles(const QStringList& paths);

    // --- what the window holds
    const Session& Engine() const { return session_; }
    const QString& ImagePath() const { return imagePath_; }
    int SelectedChannel() const { return selectedChannel_; }
    bool Reading() const { return reading_; }
    InfoWindow* Info() const { return info_; }
    HistoryWindow* History() const;

    // The separator of two-decimal texts and of the exports; the user's locale by default.
    void SetDecimalSeparator(char separator) { session_.SetDecimalSeparator(separator); }
    // Bytes read between two passes of the event loop.
    std::size_t SliceBytes = 16 * 1024;
    // Message boxes go through here, so tests can answer them.
    std::function<void(QMessageBox::Icon icon, const QString& text, const QString& title)> ShowMessage;
    // Runs the open and connect dialogs (default: exec); tests may drive them instead.
    std::function<int(QDialog& dialog)> ExecDialog;

    // Live reception: how the reconnect schedule's waits are spent (for
    // tests; empty: waited, cut short by "Disconnect"), and the clock
    // of arrival times (milliseconds since 1970 UTC; empty: the system's).
    std::function<bool(std::chrono::milliseconds delay)> ReconnectPause;
    std::function<std::int64_t()> LiveClock;
    // Sharing: the first wait after the server failed (1 min when unset; up to four times that).
    std::optional<std::chrono::milliseconds> ShareFirstDelay;
    bool Connected() const { return client_ != nullptr; }

    // For tests only: the widgets, to read what the window shows and to
    // click, type and scroll as a user would.
    const Controls& ControlsForTesting() const { return ui_; }

    static constexpr int kClientWidth = 690;
    static constexpr int kClientHeight = 642;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class ReadProgress;  // the window's side of a read: repaints between slices
    void BuildControls();
    void BuildMenus();
    void BuildArchiveMenu();
    // The date of a log's first line, for its records' UTC times: the
    // file's modification date offered; none when the user gives none.
    std::optional<QDate> AskLogDate(const QString& path);
    // The archive the history window reads: the one being written to, else conf.ini's.
    std::string ArchiveLocation() const;
    void StartArchive();
    // Before a log is read into the archive: its date (files: the one about to be read).
    void AskLogDates(const std::vector<SelectionEntry>& files);
    // "Open in the main window" of the history window; the status text.
    std::string OpenArchiveSpan(const TimeSpan& span);
    void LoadSettings();
    void SetChannelCaptions();
    void ShowRecord(int position);
    void OpenWithDialog(InputKind kind, const QString& nameFilters);
    void ReadSelection(const std::vector<SelectionEntry>& files);
    void FileRead();
    void SetCommandsEnabled(bool enabled);
    bool BeginLive(const QString& name, bool serial);
    void StartSource(std::unique_ptr<LiveSource> source);
    LiveSource::Options LiveOptions();
    void TakeLiveMessages();
    void BeginLiveTable();
    void ShowLiveRecords();
    void ShowLiveStatus();
    void BuildStationMenu();
    void BuildSatnogsDbMenu();
    void DbFetchEnded(const DbFetchResult& result);
    void StartSharing();

    Controls ui_;
    Session session_;
    QString programFolder_;
    QString imagePath_;
    Settings settings_;
    ProgramFolders folders_;
    int selectedChannel_ = 0;
    bool reading_ = false;
    bool stopReading_ = false;
    bool scrollBarInUse_ = false;  // a file has been read: the readers enable the scroll bar
    QPointer<InfoWindow> info_;
    std::vector<SelectionEntry> selection_;  // the files read last; empty after a live table
    QPointer<HistoryWindow> history_;
    QTimer* archivePoll_ = nullptr;       // new beacons in the archive, for the history window
    std::uint64_t beaconsSeen_ = 0;
    // Live reception
    std::unique_ptr<LiveSource> client_;
    QString server_;        // "localhost:8001", "/dev/ttyUSB0"
    QString liveState_;     // "connecting", "connected", or why the connection dropped
    bool liveSerial_ = false;  // a serial TNC: "device lost, trying again in N s"
    bool liveOpened_ = false;  // the source was open once since connecting
    bool liveTable_ = false;  // connected once: the live table has replaced the loaded one
    std::string liveRecording_;  // named when the user connects, begun when connected
    QString liveNote_;      // "duplicate frames merged from the next frame on"
    std::string recording_, recordingError_;  // the recording's path, and why it failed
    std::chrono::steady_clock::time_point retryAt_;
    QTimer* chartTimer_ = nullptr;   // redraws the chart at most every 250 ms
    QTimer* countdown_ = nullptr;    // "reconnecting in N s", second by second
    // Sharing with SatNOGS: live frames are queued and posted while it runs.
    std::unique_ptr<Sharing> sharing_;
    struct DbFetch;
    std::shared_ptr<DbFetch> dbFetch_;  // shared: its type is complete in satnogs_db_commands.cpp only
};

// "Es wurden zu viele Dateien ausgewählt!" and the title of untitled boxes.
extern const char* const kTooManyFilesText;
extern const char* const kApplicationTitle;

}  // namespace tavro::ui
