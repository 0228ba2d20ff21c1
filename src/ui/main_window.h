// Form1, the main window: the 47-row channel grid, the chart frame, the
// status line, the record counter and scroll bar, and the menus.
//
// The window decodes and formats nothing itself: the readers, display texts
// and writers of the core do that, the window shows their results. Its
// handlers keep the names of the controls and events they belong to; they
// are spread over several files:
//   main_window.cpp      construction, menus, Form_Load, Form_Resize, closing
//   window_layout.cpp    the controls and their places (client area 690 x 642)
//   record_browser.cpp   HScroll1_Change, ShowRecord
//   channel_select.cpp   Option1_Click, Check1_Click, PlotChannel
//   open_commands.cpp    MenuFileOpenKiss_Click, MnuOpenLog_Click, reading List3
//   export_commands.cpp  WriteCSVFile_Click, WriteTLMFile_Click
#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

#include "channels.h"
#include "file_reading.h"
#include "info_window.h"
#include "record_table.h"
#include "user_folders.h"

class QAction;
class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace tavro::ui {

class ChannelChart;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // programFolder: where conf.ini and nconvert are looked for; empty means
    // the folder of the running program.
    explicit MainWindow(const QString& programFolder = QString(), QWidget* parent = nullptr);
    ~MainWindow() override;

    // --- the controls, under their designer names ---
    QWidget* ClientArea = nullptr;  // everything below the menu bar
    std::array<QRadioButton*, kChannelCount> Option1{};
    std::array<QLineEdit*, kChannelCount> Text1{};
    std::array<QLabel*, kChannelCount> Label2{};
    QLabel* Label5 = nullptr;
    QGroupBox* Frame1 = nullptr;
    ChannelChart* MSChart1 = nullptr;
    QCheckBox* Check1 = nullptr;
    QPushButton* Command1 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text2 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QListWidget* List3 = nullptr;
    QLabel* Picture2 = nullptr;
    QAction* MenuFileOpenKiss = nullptr;
    QAction* MnuOpenLog = nullptr;
    QAction* WriteCSVFile = nullptr;
    QAction* WriteTLMFile = nullptr;
    QAction* MnuInfo = nullptr;

    // --- handlers ---
    void Form_Load();
    void Form_Resize();
    void SetChannelCaptions();
    void MenuFileOpenKiss_Click();
    void MnuOpenLog_Click();
    void WriteCSVFile_Click();
    void WriteTLMFile_Click();
    void MnuInfo_Click();
    void HScroll1_Change();
    void ShowRecord(int position);
    void Option1_Click(int index);
    void Check1_Click();
    void PlotChannel(int channel);
    void Command1_Click();

    // Opens files as one selection, each by its kind (".log" or KISS): the
    // command line and files dropped onto the window.
    void OpenFiles(const QStringList& paths);

    // --- shared state ---
    TelemetryStore& Store() { return store_; }
    const QString& ImagePath() const { return imagePath_; }
    const QString& ProgramFolder() const { return programFolder_; }
    // The conf.ini read at start and the default output folders.
    const ProgramFolders& Folders() const { return folders_; }
    int SelectedChannel() const { return selectedChannel_; }
    bool Reading() const { return reading_; }
    InfoWindow* Info() const { return info_; }

    // The separator of two-decimal texts and of the exports; the user's locale.
    char DecimalSeparator;
    // Bytes read between two passes of the event loop.
    std::size_t SliceBytes = 16 * 1024;

    // Message boxes go through here, so tests can answer them.
    std::function<void(QMessageBox::Icon icon, const QString& text, const QString& title)> ShowMessage;
    // Runs the open dialog (default: exec); tests may drive it instead.
    std::function<int(QFileDialog& dialog)> ExecDialog;

    static constexpr int kClientWidth = 690;
    static constexpr int kClientHeight = 642;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class ReadProgress;  // reads List3 through the core, repainting between slices
    void BuildControls();
    void BuildMenus();
    QFileDialog* CreateOpenDialog(const QString& nameFilters);
    void OpenWithDialog(InputKind kind, const QString& nameFilters);
    void StartOpen();
    void ReadList3(std::optional<InputKind> forcedKind);
    void FileRead(InputKind kind);
    void SetCommandsEnabled(bool enabled);
    QString InputFilePath() const;
    std::vector<std::string> SelectedFiles() const;

    TelemetryStore store_;
    QString programFolder_;
    QString imagePath_;
    ProgramFolders folders_;
    int selectedChannel_ = 0;
    bool reading_ = false;
    bool stopReading_ = false;
    bool scrollBarInUse_ = false;  // a file has been read: the readers enable HScroll1
    QPointer<InfoWindow> info_;
};

// "Es wurden zu viele Dateien ausgewählt!" and the title of untitled boxes.
extern const char* const kTooManyFilesText;
extern const char* const kApplicationTitle;

}  // namespace tavro::ui
