// The main window: start-up, menus, settings, closing, dropped files, the
// Info window and the screenshot button.
#include "main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QUrl>

#include "conf_ini.h"
#include "live_source.h"
#include "cubesat_art.h"
#include "output_path.h"
#include "screenshot.h"
#include "satnogs_db_fetch.h"
#include "sharing.h"
#include "text_conversion.h"
#include "tlm_writer.h"
#include "value_text.h"

namespace tavro::ui {

const char* const kTooManyFilesText = "Es wurden zu viele Dateien ausgewählt!";
const char* const kApplicationTitle = "TAVRO Telemetry Decoder";

MainWindow::MainWindow(const QString& programFolder, QWidget* parent)
    : QMainWindow(parent),
      programFolder_(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(Latin1(kWindowCaption));
    setWindowIcon(CubeSatIcon());
    setAcceptDrops(true);
    session_.SetDecimalSeparator(DecimalSeparatorFromEnvironment());
    ShowMessage = [this](QMessageBox::Icon icon, const QString& text, const QString& title) {
        QMessageBox box(icon, title, text, QMessageBox::Ok, this);
        box.exec();
    };
    ExecDialog = [](QDialog& dialog) { return dialog.exec(); };
    BuildControls();
    BuildMenus();
    SetChannelCaptions();
    LoadSettings();
    BuildArchiveMenu();  // its check mark from conf.ini
    BuildStationMenu();
    BuildSatnogsDbMenu();
}

MainWindow::~MainWindow() {
    dbFetch_.reset();  // cancelled; what was fetched stays
    OnDisconnect();
    sharing_.reset();  // its worker ends before the window does
    // The Info window has no parent (it may outlive a closed main window).
    delete info_;
}

// Alt+F, Alt+T and Alt+I open the menus; Ctrl+O, Ctrl+L, Ctrl+Q and F1 as in most programs.
void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    ui_.openKissAction = file->addAction(QStringLiteral("Open KISS file"), this, [this] { OnOpenKiss(); });
    ui_.openKissAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    ui_.openLogAction = file->addAction(QStringLiteral("Open Log file"), this, [this] { OnOpenLog(); });
    ui_.openLogAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    ui_.openSatnogsAction = file->addAction(QStringLiteral("Open SatNOGS frames"), this, [this] { OnOpenSatnogs(); });
    file->addSeparator();
    // Off at start; kept for the run and used by every later selection.
    ui_.mergeAction = file->addAction(QStringLiteral("Merge duplicate frames"));
    ui_.mergeAction->setCheckable(true);
    connect(ui_.mergeAction, &QAction::toggled, this, [this](bool on) { OnMergeToggled(on); });
    ui_.reportAction = file->addAction(QStringLiteral("Report…"), this, [this] { OnReport(); });
    file->addSeparator();
    ui_.connectAction = file->addAction(QStringLiteral("Connect to KISS server…"), this, [this] { OnConnect(); });
    ui_.connectSerialAction =
        file->addAction(QStringLiteral("Connect to serial TNC…"), this, [this] { OnConnectSerial(); });
    ui_.disconnectAction = file->addAction(QStringLiteral("Disconnect"), this, [this] { OnDisconnect(); });
    ui_.disconnectAction->setEnabled(false);
    file->addSeparator();
    ui_.quitAction = file->addAction(QStringLiteral("Quit"), this, [this] { OnQuit(); });
    ui_.quitAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* exports = menuBar()->addMenu(QStringLiteral("&TLM File"));
    ui_.writeCsvAction = exports->addAction(QStringLiteral("Write CSV File"), this, [this] { OnWriteCsv(); });
    ui_.writeTlmAction = exports->addAction(QStringLiteral("Write TLM File"), this, [this] { OnWriteTlm(); });
    // A title that is itself the command.
    ui_.infoAction = menuBar()->addAction(QStringLiteral("&Info"), this, [this] { OnInfo(); });
    ui_.infoAction->setShortcut(QKeySequence(Qt::Key_F1));
}

// The Info window too: the program ends.
void MainWindow::OnQuit() {
    if (info_) info_->close();
    close();
}

void MainWindow::SetChannelCaptions() {
    for (int i = 0; i < kChannelCount; ++i) {
        ui_.channelButtons[i]->setText(Latin1(ChannelCatalogue[static_cast<std::size_t>(i)].name));
        ui_.unitLabels[i]->setText(Latin1(ChannelCatalogue[static_cast<std::size_t>(i)].unit));
    }
}

// conf.ini beside the program or in the user's configuration folder;
// missing or unreadable, the defaults hold.
void MainWindow::LoadSettings() {
    folders_ = ChooseFolders(FolderFactsOf(NativePath(programFolder_)));
    settings_ = tavro::LoadSettings(folders_);
    session_.SetKissPort(settings_.kissTncPort);
    imagePath_ = PathText(settings_.imagePath);
    if (settings_.screenshotButton) ui_.screenshotButton->setVisible(*settings_.screenshotButton);
    // Installed, the pictures go somewhere the user did not pick: say where.
    if (folders_.userFolders && settings_.imagePath == folders_.imageFolder && !ui_.screenshotButton->isHidden())
        ui_.statusLine->setText(QStringLiteral("screenshots go to ") + imagePath_);
}

void MainWindow::OnInfo() {
    if (info_) {
        info_->show();
        info_->raise();
        info_->activateWindow();
        return;
    }
    info_ = new InfoWindow();
    info_->setAttribute(Qt::WA_DeleteOnClose);
    // Centred over the main window, not in a corner of the screen.
    info_->move(frameGeometry().center() - info_->rect().center());
    info_->show();
}

ScreenshotResult MainWindow::OnScreenshot() {
    if (reading_) return {};
    ScreenshotRequest request;
    request.clientArea = ui_.clientArea;
    request.hiddenWhileTaken = {ui_.barsCheck, ui_.screenshotButton};
    // The user's Pictures folder may not exist yet.
    if (folders_.userFolders && NativePath(imagePath_) == folders_.imageFolder) QDir().mkpath(imagePath_);
    request.programFolder = programFolder_;
    request.save = [this](std::string_view bitmap) { return session_.SavePicture(NativePath(imagePath_), bitmap); };
    ScreenshotHooks hooks;
    hooks.setStatus = [this](const QString& text) { ui_.statusLine->setText(text); };
    hooks.information = [this](const QString& text, const QString& title) {
        ShowMessage(QMessageBox::Information, text, title);
    };
    return TakeScreenshot(request, hooks);
}

void MainWindow::OnMergeToggled(bool merge) {
    if (ui_.mergeAction->isChecked() != merge) ui_.mergeAction->setChecked(merge);  // runs this again
    if (session_.MergeDuplicates() == merge || reading_) return;
    session_.SetMergeDuplicates(merge);
    if (client_) {
        liveNote_ = merge ? QStringLiteral("duplicate frames merged from the next frame on")
                          : QStringLiteral("duplicate frames kept from the next frame on");
        return ShowLiveStatus();
    }
    // The table shows what the setting says: the same files, read again.
    if (!selection_.empty()) ReadSelection(std::vector<SelectionEntry>(selection_));
}

void MainWindow::SetCommandsEnabled(bool enabled) {
    // While connected, nothing may replace the live table.
    for (QAction* action : {ui_.openKissAction, ui_.openLogAction, ui_.openSatnogsAction, ui_.connectAction,
                            ui_.connectSerialAction})
        action->setEnabled(enabled && !client_);
    for (QAction* action : {ui_.writeCsvAction, ui_.writeTlmAction, ui_.reportAction, ui_.mergeAction})
        action->setEnabled(enabled);
    ui_.disconnectAction->setEnabled(enabled && client_);
    for (QRadioButton* button : ui_.channelButtons) button->setEnabled(enabled);
    ui_.barsCheck->setEnabled(enabled);
    ui_.screenshotButton->setEnabled(enabled);
    ui_.recordScroll->setEnabled(enabled && scrollBarInUse_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing during a read stops it; the read unwinds and the program ends
    // once the event loop regains control. A connection ends and its
    // recording is closed with its last complete frame.
    if (reading_) stopReading_ = true;
    OnDisconnect();
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!reading_ && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    if (paths.isEmpty() || reading_) return;
    event->acceptProposedAction();
    OpenFiles(paths);
}

}  // namespace tavro::ui
