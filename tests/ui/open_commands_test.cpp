// The open commands through the real file dialog, and what they allow while they read.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include "channel_chart.h"
#include "window_test_support.h"

namespace {

using namespace uitest;

QStringList List3Paths(const MainWindow& w) {
    QStringList paths;
    for (int i = 0; i < w.List3->count(); ++i) paths << w.List3->item(i)->text();
    return paths;
}

TEST_F(WindowTest, BothSamplesThroughTheDialog) {
    WriteBytes(Path("pass1.kss"), KissCapture(3));
    WriteBytes(Path("day1.log"), LogText(3));
    const struct {
        void (MainWindow::*command)();
        const char *name, *filter;
        int channel;  // charted after the read
        const char *boxText, *time, *title;
    } cases[] = {
        {&MainWindow::MenuFileOpenKiss_Click, "pass1.kss", "KISS Files (*.kss)", 5, "10", "2026-12-06 09:05:00.000 UTC",
         "Cmd valid"},
        {&MainWindow::MnuOpenLog_Click, "day1.log", "Log Files (*.log)", 16, "200", "10:20:00.000 UTC",
         "Solar curr (mA)"},
    };
    for (const auto& c : cases) {
        AnswerDialog(c.name);
        (window.get()->*c.command)();
        EXPECT_EQ(dialogFilters.value(0), c.filter);
        EXPECT_EQ(List3Paths(*window), QStringList{Path(c.name)});
        EXPECT_EQ(window->Text4->text(), Path(c.name));
        EXPECT_EQ(window->Text2->text(), "#1 / 3");
        EXPECT_EQ(window->Text1[c.channel]->text(), c.boxText);
        EXPECT_EQ(window->Label5->text(), c.time);
        EXPECT_TRUE(window->Option1[c.channel]->isChecked());
        EXPECT_EQ(window->Frame1->title(), c.title);
    }
}

TEST_F(WindowTest, UnreadableFileThenCancelReadsTheSelectionAgain) {
    WriteBytes(Path("a.kss"), KissCapture(2));
    WriteBytes(Path("c.kss"), KissCapture(5));
    const QStringList selection{Path("a.kss"), Path("missing.kss"), Path("c.kss")};
    window->OpenFiles(selection);
    EXPECT_EQ(window->Text2->text(), "#1 / 7");
    EXPECT_EQ(window->Text4->text(), "cannot read " + Path("missing.kss") + ": No such file or directory");

    window->HScroll1->setValue(4);
    CancelDialog();
    window->MenuFileOpenKiss_Click();
    EXPECT_EQ(List3Paths(*window), selection);
    EXPECT_EQ(window->Text2->text(), "#2 / 7");  // read again, held to each file's count in turn
    EXPECT_EQ(window->Text1[3]->text(), "91");
    // The log command reads the same list with its own reader: no records.
    CancelDialog();
    window->MnuOpenLog_Click();
    EXPECT_EQ(window->Text2->text(), "#1 / 0");
    EXPECT_TRUE(BoxTexts(*window).join("").isEmpty());
}

TEST_F(WindowTest, TooManyFilesAreRefused) {
    Load("first.kss", 2);
    QString typed;  // 60 names of 40 characters: far beyond 2048
    for (int i = 0; i < 60; ++i) {
        const QString name = QStringLiteral("capture_of_a_long_pass_number_%1.kss").arg(i, 5, 10, QLatin1Char('0'));
        WriteBytes(Path(name), KissCapture(1));
        typed += '"' + name + "\" ";
    }
    AnswerDialog(typed);
    window->MenuFileOpenKiss_Click();
    EXPECT_EQ(messages.join(""), QString::fromUtf8("TAVRO Telemetry Decoder: Es wurden zu viele Dateien ausgewählt!"));
    EXPECT_EQ(List3Paths(*window), QStringList{Path("first.kss")});
    EXPECT_EQ(window->Store().table.RecordCount(), 0);
}

TEST_F(WindowTest, CommandsWaitForTheRead) {
    WriteBytes(Path("long.kss"), KissCapture(400));
    window->SliceBytes = 512;
    bool probed = false;
    std::function<void()> probe = [&] {  // between two slices, once some records are in
        MainWindow& w = *window;
        if (w.Store().table.RecordCount() == 0) return QTimer::singleShot(0, &w, probe);
        probed = true;
        for (QAction* a : {w.MenuFileOpenKiss, w.MnuOpenLog, w.WriteCSVFile, w.WriteTLMFile})
            EXPECT_FALSE(a->isEnabled());
        for (QWidget* c : std::initializer_list<QWidget*>{w.Command1, w.HScroll1, w.Check1, w.Option1[3]})
            EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
        EXPECT_TRUE(w.MnuInfo->isEnabled());
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    };
    QTimer::singleShot(0, window.get(), probe);
    window->OpenFiles({Path("long.kss")});
    EXPECT_TRUE(probed);
    EXPECT_EQ(window->Store().table.RecordCount(), 400);
    EXPECT_TRUE(window->WriteTLMFile->isEnabled() && window->Command1->isEnabled() && window->HScroll1->isEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace

TAVRO_UI_TEST_MAIN()
