// Form1: start-up, menus, resizing, closing, dropped files, the Info window
// and the screenshot button.
#include "main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
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
#include "info_window.h"
#include "output_path.h"
#include "screenshot.h"
#include "tlm_writer.h"
#include "value_text.h"
#include "text_conversion.h"

namespace tavro::ui {

const char* const kTooManyFilesText = "Es wurden zu viele Dateien ausgewählt!";
const char* const kApplicationTitle = "TAVRO Telemetry Decoder";

MainWindow::MainWindow(const QString& programFolder, QWidget* parent)
    : QMainWindow(parent),
      DecimalSeparator(DecimalSeparatorFromEnvironment()),
      programFolder_(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(Latin1(kWindowCaption));
    setWindowIcon(CubeSatIcon());
    setAcceptDrops(true);
    ShowMessage = [this](QMessageBox::Icon icon, const QString& text, const QString& title) {
        QMessageBox box(icon, title, text, QMessageBox::Ok, this);
        box.exec();
    };
    ExecDialog = [](QFileDialog& dialog) { return dialog.exec(); };
    BuildControls();
    BuildMenus();
    ClientArea->installEventFilter(this);
    Form_Load();
}

MainWindow::~MainWindow() {
    // The Info window has no parent (it may outlive a closed main window).
    delete info_;
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("MnuFile"));
    MenuFileOpenKiss = file->addAction(QStringLiteral("Open KISS file"), this, [this] { MenuFileOpenKiss_Click(); });
    MnuOpenLog = file->addAction(QStringLiteral("Open Log file"), this, [this] { MnuOpenLog_Click(); });
    QMenu* settings = menuBar()->addMenu(QStringLiteral("TLM File"));
    settings->setObjectName(QStringLiteral("MnuSettings"));
    WriteCSVFile = settings->addAction(QStringLiteral("Write CSV File"), this, [this] { WriteCSVFile_Click(); });
    WriteTLMFile = settings->addAction(QStringLiteral("Write TLM File"), this, [this] { WriteTLMFile_Click(); });
    // A title that is itself the command.
    MnuInfo = menuBar()->addAction(QStringLiteral("Info"), this, [this] { MnuInfo_Click(); });
}

void MainWindow::SetChannelCaptions() {
    for (int i = 0; i < kChannelCount; ++i) {
        const std::string_view name = ChannelCatalogue[static_cast<std::size_t>(i)].name;
        Option1[i]->setText(Latin1(name));
    }
    for (int i = 0; i < kChannelCount; ++i) {
        const std::string_view unit = ChannelCatalogue[static_cast<std::size_t>(i)].unit;
        Label2[i]->setText(Latin1(unit));
    }
}

void MainWindow::Form_Load() {
    SetChannelCaptions();
    folders_ = ChooseFolders(FolderFactsOf(NativePath(programFolder_)));
    imagePath_ = PathText(folders_.imageFolder);
    // A missing or unreadable conf.ini leaves the defaults, without a message.
    QFile conf(PathText(folders_.confIni));
    if (conf.open(QIODevice::ReadOnly)) {
        const QByteArray text = conf.readAll();
        const Settings settings = ParseConfIni(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                                               folders_.imageFolder, kPathSeparator);
        imagePath_ = PathText(settings.imagePath);
        if (settings.screenshotButton) Command1->setVisible(*settings.screenshotButton);
    }
    // Installed, the pictures go somewhere the user did not pick: say where.
    if (folders_.userFolders && NativePath(imagePath_) == folders_.imageFolder && !Command1->isHidden())
        Text4->setText(QStringLiteral("screenshots go to ") + imagePath_);
    Picture2->hide();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ClientArea && event->type() == QEvent::Resize) Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::Form_Resize() {
    // The capture surface always has the client area's size.
    Picture2->setGeometry(0, 0, ClientArea->width(), ClientArea->height());
}

void MainWindow::MnuInfo_Click() {
    if (info_) {
        info_->show();
        info_->raise();
        info_->activateWindow();
        return;
    }
    info_ = new InfoWindow();
    info_->setAttribute(Qt::WA_DeleteOnClose);
    info_->show();
}

void MainWindow::Command1_Click() {
    if (reading_) return;
    ScreenshotRequest request;
    request.clientArea = ClientArea;
    request.hiddenWhileTaken = {Check1, Command1};
    // The user's Pictures folder may not exist yet.
    if (folders_.userFolders && NativePath(imagePath_) == folders_.imageFolder) QDir().mkpath(imagePath_);
    request.imagePath = imagePath_;
    request.inputFilePath = InputFilePath();
    request.programFolder = programFolder_;
    ScreenshotHooks hooks;
    hooks.setStatus = [this](const QString& text) { Text4->setText(text); };
    hooks.information = [this](const QString& text, const QString& title) {
        ShowMessage(QMessageBox::Information, text, title);
    };
    TakeScreenshot(request, hooks);
}

QString MainWindow::InputFilePath() const { return PathText(store_.InputFilePath); }

void MainWindow::SetCommandsEnabled(bool enabled) {
    for (QAction* action : {MenuFileOpenKiss, MnuOpenLog, WriteCSVFile, WriteTLMFile}) action->setEnabled(enabled);
    for (QRadioButton* option : Option1) option->setEnabled(enabled);
    Check1->setEnabled(enabled);
    Command1->setEnabled(enabled);
    HScroll1->setEnabled(enabled && scrollBarInUse_);
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
