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
#include "cubesat_art.h"
#include "output_path.h"
#include "screenshot.h"
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
    ExecDialog = [](QFileDialog& dialog) { return dialog.exec(); };
    BuildControls();
    BuildMenus();
    SetChannelCaptions();
    LoadSettings();
}

MainWindow::~MainWindow() {
    // The Info window has no parent (it may outlive a closed main window).
    delete info_;
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    ui_.openKissAction = file->addAction(QStringLiteral("Open KISS file"), this, [this] { OnOpenKiss(); });
    ui_.openLogAction = file->addAction(QStringLiteral("Open Log file"), this, [this] { OnOpenLog(); });
    QMenu* exports = menuBar()->addMenu(QStringLiteral("TLM File"));
    ui_.writeCsvAction = exports->addAction(QStringLiteral("Write CSV File"), this, [this] { OnWriteCsv(); });
    ui_.writeTlmAction = exports->addAction(QStringLiteral("Write TLM File"), this, [this] { OnWriteTlm(); });
    // A title that is itself the command.
    ui_.infoAction = menuBar()->addAction(QStringLiteral("Info"), this, [this] { OnInfo(); });
}

void MainWindow::SetChannelCaptions() {
    for (int i = 0; i < kChannelCount; ++i) {
        ui_.channelButtons[i]->setText(Latin1(ChannelCatalogue[static_cast<std::size_t>(i)].name));
        ui_.unitLabels[i]->setText(Latin1(ChannelCatalogue[static_cast<std::size_t>(i)].unit));
    }
}

// conf.ini beside the program; missing or unreadable, the defaults hold.
void MainWindow::LoadSettings() {
    const QString folder = programFolder_ + QLatin1Char(kPathSeparator);
    imagePath_ = folder;
    QFile conf(folder + QStringLiteral("conf.ini"));
    if (!conf.open(QIODevice::ReadOnly)) return;
    const QByteArray text = conf.readAll();
    const Settings settings = ParseConfIni(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                                           NativePath(folder), kPathSeparator);
    imagePath_ = PathText(settings.imagePath);
    if (settings.screenshotButton) ui_.screenshotButton->setVisible(*settings.screenshotButton);
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

void MainWindow::OnScreenshot() {
    if (reading_) return;
    ScreenshotRequest request;
    request.clientArea = ui_.clientArea;
    request.hiddenWhileTaken = {ui_.barsCheck, ui_.screenshotButton};
    request.programFolder = programFolder_;
    request.save = [this](std::string_view bitmap) { return session_.SavePicture(NativePath(imagePath_), bitmap); };
    ScreenshotHooks hooks;
    hooks.setStatus = [this](const QString& text) { ui_.statusLine->setText(text); };
    hooks.information = [this](const QString& text, const QString& title) {
        ShowMessage(QMessageBox::Information, text, title);
    };
    TakeScreenshot(request, hooks);
}

void MainWindow::SetCommandsEnabled(bool enabled) {
    for (QAction* action : {ui_.openKissAction, ui_.openLogAction, ui_.writeCsvAction, ui_.writeTlmAction})
        action->setEnabled(enabled);
    for (QRadioButton* button : ui_.channelButtons) button->setEnabled(enabled);
    ui_.barsCheck->setEnabled(enabled);
    ui_.screenshotButton->setEnabled(enabled);
    ui_.recordScroll->setEnabled(enabled && scrollBarInUse_);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing during a read stops it; the read unwinds and the program ends
    // once the event loop regains control.
    if (reading_) stopReading_ = true;
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
