// The open commands, driven through the real (Qt) file dialog: one or several
// files, cancel, too many files, unreadable files, a full table, mixed
// selections, dropped files, and what the window allows while it reads.
#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QUrl>
#include <functional>

#include "channel_chart.h"
#include "dialog_selection.h"
#include "window_test_support.h"

namespace {

using namespace uitest;

QStringList List3Paths(const MainWindow& w) {
    QStringList paths;
    for (int i = 0; i < w.List3->count(); ++i) paths << w.List3->item(i)->text();
    return paths;
}

class OpenCommands : public WindowTest {};

struct LengthCase {
    QStringList paths;
    int length;  // of the dialog's result text, NULs included
};

TEST(DialogSelection, ResultLengthAndLimit) {
    const LengthCase cases[] = {
        {{"/d/a.kss"}, 9},                              // "/d/a.kss\0"
        {{"/d/a.kss", "/d/b.kss"}, 16},                 // "/d\0a.kss\0b.kss\0\0"
        {{"/data/x/p1.kss", "/data/x/p22.kss", "/data/x/p333.kss"}, 8 + 7 + 8 + 9 + 1},
        {{"/" + QString(2046, 'a')}, 2048},             // fits exactly
        {{"/" + QString(2047, 'a')}, 2049},
    };
    for (const LengthCase& c : cases) {
        EXPECT_EQ(tavro::ui::DialogResultLength(c.paths), c.length) << c.paths.join(' ').left(40).toStdString();
        EXPECT_EQ(tavro::ui::FitsDialogBuffer(c.paths), c.length <= 2048);
    }
}

TEST_F(OpenCommands, KissFileThroughTheDialog) {
    WriteBytes(Path("pass1.kss"), KissCapture(3));
    AnswerDialog("pass1.kss");
    window->MenuFileOpenKiss_Click();

    EXPECT_EQ(dialogFilters, (QStringList{"KISS Files (*.kss)", "Text Files (*.txt)", "All Files (*.*)"}));
    EXPECT_EQ(dialogMode, QFileDialog::ExistingFiles);
    EXPECT_EQ(List3Paths(*window), QStringList{Path("pass1.kss")});
    EXPECT_EQ(window->Store().table.RecordCount(), 3);
    EXPECT_EQ(window->Store().InputFilePath, Path("pass1.kss").toStdString());
    EXPECT_EQ(window->Text4->text(), Path("pass1.kss"));
    EXPECT_EQ(window->Text2->text(), "#1 / 3");
    EXPECT_TRUE(window->HScroll1->isEnabled());
    EXPECT_EQ(window->HScroll1->maximum(), 3);
    EXPECT_EQ(window->Text1[0]->text(), "norm");
    EXPECT_EQ(window->Label5->text(), "2026-12-06 09:05:00.000 UTC");
    // Channel 5 is charted after a capture.
    EXPECT_EQ(window->SelectedChannel(), 5);
    EXPECT_TRUE(window->Option1[5]->isChecked());
    EXPECT_EQ(window->Frame1->title(), "Cmd valid");
    EXPECT_EQ(window->MSChart1->RowCount(), 3);
    EXPECT_EQ(window->MSChart1->RowValue(3), 12.0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(OpenCommands, LogFileThroughTheDialog) {
    WriteBytes(Path("day1.log"), LogText(4));
    AnswerDialog("day1.log");
    window->MnuOpenLog_Click();

    EXPECT_EQ(dialogFilters, (QStringList{"Log Files (*.log)", "Text Files (*.txt)", "All Files (*.*)"}));
    EXPECT_EQ(window->Store().table.RecordCount(), 4);
    EXPECT_EQ(window->Text2->text(), "#1 / 4");
    EXPECT_EQ(window->Text1[16]->text(), "200");
    EXPECT_EQ(window->Label5->text(), "10:20:00.000 UTC");
    EXPECT_EQ(window->SelectedChannel(), 16);
    EXPECT_EQ(window->Frame1->title(), "Solar curr (mA)");
    EXPECT_EQ(window->MSChart1->RowCount(), 4);
    EXPECT_EQ(window->MSChart1->RowLabel(2), "10:20");
}

TEST_F(OpenCommands, SeveralFilesGoIntoOneTable) {
    WriteBytes(Path("a.kss"), KissCapture(2));
    WriteBytes(Path("b.kss"), KissCapture(5, "2026-12-06 11:00:00.000 UTC"));
    AnswerDialog("\"a.kss\" \"b.kss\"");
    window->MenuFileOpenKiss_Click();

    EXPECT_EQ(List3Paths(*window), (QStringList{Path("a.kss"), Path("b.kss")}));
    EXPECT_EQ(window->Store().table.RecordCount(), 7);
    EXPECT_EQ(window->Text2->text(), "#1 / 7");
    EXPECT_EQ(window->Text4->text(), Path("b.kss"));
    EXPECT_EQ(window->Store().table[2].TimeText, "2026-12-06 11:00:00.000 UTC");
}

TEST_F(OpenCommands, CancelledDialogReadsThePreviousSelectionAgain) {
    WriteBytes(Path("a.log"), LogText(3));
    AnswerDialog("a.log");
    window->MnuOpenLog_Click();
    ASSERT_EQ(window->Store().table.RecordCount(), 3);

    window->HScroll1->setValue(3);
    CancelDialog();
    window->MnuOpenLog_Click();
    EXPECT_EQ(List3Paths(*window), QStringList{Path("a.log")});
    EXPECT_EQ(window->Store().table.RecordCount(), 3);  // read again, not appended
    EXPECT_EQ(window->Text2->text(), "#3 / 3");
    EXPECT_EQ(window->Text1[16]->text(), "202");

    // The KISS command reads the same list with its own reader: no records.
    CancelDialog();
    window->MenuFileOpenKiss_Click();
    EXPECT_EQ(window->Store().table.RecordCount(), 0);
    EXPECT_EQ(window->Text2->text(), "#1 / 0");
    EXPECT_TRUE(BoxTexts(*window).join("").isEmpty());
}

TEST_F(OpenCommands, CancelledDialogAtStartReadsNothing) {
    CancelDialog();
    window->MenuFileOpenKiss_Click();
    EXPECT_EQ(window->Store().table.RecordCount(), 0);
    EXPECT_FALSE(window->HScroll1->isEnabled());
    EXPECT_EQ(window->Text2->text(), "");
    EXPECT_EQ(window->Text4->text(), "");
    EXPECT_TRUE(messages.empty());
}

TEST_F(OpenCommands, TooManyFilesAreRefused) {
    WriteBytes(Path("first.kss"), KissCapture(2));
    AnswerDialog("first.kss");
    window->MenuFileOpenKiss_Click();
    ASSERT_EQ(window->Store().table.RecordCount(), 2);

    // 60 names of 40 characters: far beyond 2048 characters.
    QString typed;
    for (int i = 0; i < 60; ++i) {
        const QString name = QStringLiteral("capture_of_a_long_pass_number_%1.kss").arg(i, 5, 10, QLatin1Char('0'));
        WriteBytes(Path(name), KissCapture(1));
        typed += QLatin1Char('"') + name + QStringLiteral("\" ");
    }
    AnswerDialog(typed);
    window->MenuFileOpenKiss_Click();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8("Es wurden zu viele Dateien ausgewählt!"));
    EXPECT_EQ(messages[0].title, "TAVRO Telemetry Decoder");
    EXPECT_EQ(messages[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(List3Paths(*window), QStringList{Path("first.kss")});
    EXPECT_EQ(window->Store().table.RecordCount(), 0);
    EXPECT_TRUE(BoxTexts(*window).join("").isEmpty());
}

TEST_F(OpenCommands, UnreadableFileBetweenTwoGoodOnesIsNamed) {
    WriteBytes(Path("a.kss"), KissCapture(2));
    WriteBytes(Path("c.kss"), KissCapture(3));
    window->OpenFiles({Path("a.kss"), Path("missing.kss"), Path("c.kss")});

    EXPECT_EQ(window->Store().table.RecordCount(), 5);
    EXPECT_EQ(window->Text2->text(), "#1 / 5");
    EXPECT_EQ(window->Text4->text(), "cannot read " + Path("missing.kss") + ": No such file or directory");
    EXPECT_TRUE(window->HScroll1->isEnabled());
}

TEST_F(OpenCommands, FramesBeyondAFullTableAreCounted) {
    WriteBytes(Path("big.kss"), KissCapture(tavro::RecordTable::kCapacity + 3));
    window->OpenFiles({Path("big.kss")});

    EXPECT_EQ(window->Store().table.RecordCount(), 10000);
    EXPECT_EQ(window->Text2->text(), "#1 / 10000");
    EXPECT_EQ(window->Text4->text(), "housekeeping frames not stored (table full): 3");
    EXPECT_EQ(window->MSChart1->RowCount(), 10000);
    window->HScroll1->setValue(10000);
    EXPECT_EQ(window->Text2->text(), "#10000 / 10000");
    EXPECT_EQ(window->Text1[5]->text(), QString::number(10 + 9999));
}

TEST_F(OpenCommands, MixedSelectionReadsEachFileWithItsOwnReader) {
    WriteBytes(Path("a.kss"), KissCapture(2));
    WriteBytes(Path("b.LOG"), LogText(3));
    window->OpenFiles({Path("a.kss"), Path("b.LOG")});

    EXPECT_EQ(window->Store().table.RecordCount(), 5);
    EXPECT_EQ(window->Store().table[0].TimeText, "2026-12-06 09:05:00.000 UTC");
    EXPECT_EQ(window->Store().table[4].TimeText, "10:20:02.000 UTC");
    EXPECT_EQ(window->SelectedChannel(), 16);  // the last file was a log
    EXPECT_EQ(window->Text4->text(), Path("b.LOG"));
}

TEST_F(OpenCommands, DroppedFilesAreOpened) {
    WriteBytes(Path("dropped.kss"), KissCapture(4));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(Path("dropped.kss"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);

    EXPECT_EQ(window->Store().table.RecordCount(), 4);
    EXPECT_EQ(window->Text4->text(), Path("dropped.kss"));
}

// What the window looks like between two slices of a read.
struct DuringRead {
    bool reading = false;
    bool anyCommandEnabled = true;
    bool busyCursor = false;
    QString label5;
    QString text4AfterExport;
    int recordsAfterNestedOpen = -1;
};

TEST_F(OpenCommands, CommandsWaitForTheRead) {
    WriteBytes(Path("long.kss"), KissCapture(400));
    window->SliceBytes = 512;
    window->Check1->setChecked(false);
    DuringRead seen;
    // Looks once some records are in, i.e. between two slices.
    std::function<void()> probe = [&] {
        MainWindow& w = *window;
        if (w.Store().table.RecordCount() == 0) {
            QTimer::singleShot(0, window.get(), probe);
            return;
        }
        seen.reading = w.Reading();
        seen.anyCommandEnabled = w.MenuFileOpenKiss->isEnabled() || w.MnuOpenLog->isEnabled() ||
                                 w.WriteCSVFile->isEnabled() || w.WriteTLMFile->isEnabled() || w.Command1->isEnabled() ||
                                 w.HScroll1->isEnabled() || w.Check1->isEnabled() || w.Option1[3]->isEnabled();
        seen.busyCursor = QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        seen.label5 = w.Label5->text();
        // Commands chosen now do nothing.
        w.WriteCSVFile->trigger();
        w.WriteCSVFile_Click();
        w.MenuFileOpenKiss_Click();
        w.Check1->click();
        seen.text4AfterExport = w.Text4->text();
        seen.recordsAfterNestedOpen = w.Store().table.RecordCount();
    };
    QTimer::singleShot(0, window.get(), probe);
    window->OpenFiles({Path("long.kss")});

    EXPECT_TRUE(seen.reading);
    EXPECT_FALSE(seen.anyCommandEnabled);
    EXPECT_TRUE(seen.busyCursor);
    EXPECT_EQ(seen.label5, "2026-12-06 09:05:00.000 UTC");
    EXPECT_EQ(seen.text4AfterExport, Path("long.kss"));
    EXPECT_GT(seen.recordsAfterNestedOpen, 0);
    EXPECT_FALSE(QFile::exists(Path("long.csv")));
    EXPECT_FALSE(window->Check1->isChecked());
    // Afterwards: the whole file, every command back.
    EXPECT_FALSE(window->Reading());
    EXPECT_EQ(window->Store().table.RecordCount(), 400);
    EXPECT_TRUE(window->MenuFileOpenKiss->isEnabled());
    EXPECT_TRUE(window->WriteTLMFile->isEnabled());
    EXPECT_TRUE(window->Command1->isEnabled());
    EXPECT_TRUE(window->HScroll1->isEnabled());
    EXPECT_TRUE(window->Option1[3]->isEnabled());
    EXPECT_TRUE(window->Check1->isEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(OpenCommands, ClosingTheWindowStopsTheReadAndEndsTheProgram) {
    WriteBytes(Path("a.kss"), KissCapture(400));
    WriteBytes(Path("b.kss"), KissCapture(400));
    window->SliceBytes = 512;
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    // As at start-up with files on the command line; the user closes the window
    // once some records are in.
    std::function<void()> closeSoon = [&] {
        if (window->Store().table.RecordCount() == 0) {
            QTimer::singleShot(0, window.get(), closeSoon);
            return;
        }
        window->close();
    };
    QTimer::singleShot(0, window.get(), [&] {
        QTimer::singleShot(0, window.get(), closeSoon);
        window->OpenFiles({Path("a.kss"), Path("b.kss")});
    });
    QTimer watchdog;  // a program that does not end fails instead of hanging
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QApplication::exit(3); });
    watchdog.start(60000);
    EXPECT_EQ(QApplication::exec(), 0);

    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->Reading());
    EXPECT_GT(window->Store().table.RecordCount(), 0);
    EXPECT_LT(window->Store().table.RecordCount(), 400);
    EXPECT_EQ(window->Store().InputFilePath, Path("a.kss").toStdString());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace

TAVRO_UI_TEST_MAIN()
