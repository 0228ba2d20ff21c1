// The window under stress: commands (disabled, and refused) and a close during a read, a second
// open at once, many steps in a row.
#include "window_test_support.h"

using namespace uitest;
using Stress = WindowTest;

// Runs step() at each pass of the event loop until it returns false.
void EachPass(const std::function<bool()>& step) { QTimer::singleShot(0, [step] { if (step()) EachPass(step); }); }

TEST_F(Stress, CommandsDuringAReadAreRefusedAndAClosedWindowEndsTheProgram) {
    WriteBytes(Path("long.kss"), KissCapture(12000));  // more than the table holds
    window->ExecDialog = [this](QDialog& d) { return LogDateDialog(d) || (messages << "dialog", true), int(QDialog::Rejected); };
    window->SliceBytes = 2000;
    Show();
    int pauses = 0, notStored = -1;
    EachPass([&] {
        if (!window->Reading()) return true;  // not yet started
        if (window->Engine().Records().FramesNotStored() > 0) return notStored = window->Engine().Records().FramesNotStored(), !window->close();
        for (QAction* a : {ui().openKissAction, ui().openLogAction, ui().writeCsvAction, ui().writeTlmAction}) EXPECT_FALSE(a->isEnabled());
        for (QWidget* c : std::initializer_list<QWidget*>{ui().screenshotButton, ui().recordScroll, ui().barsCheck, ui().channelButtons[3]})
            EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
        EXPECT_TRUE(ui().infoAction->isEnabled());
        EXPECT_TRUE(QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor);
        window->OnOpenKiss(), window->OnWriteCsv(), window->OnScreenshot();
        window->OpenFiles({Path("other.log")}), ui().channelButtons[10]->click();  // other.log: never read
        return ++pauses > 0;
    });
    QTimer::singleShot(0, window.get(), [&] { window->OpenFiles({Path("long.kss"), Path("other.log")}); });
    QTimer::singleShot(60000, window.get(), [] { QApplication::exit(3); });  // the program did not end
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(window->Reading());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(window->Engine().Records().FramesNotStored(), notStored);  // nothing read after the close
    EXPECT_GT(pauses, 10);
    EXPECT_EQ(messages, QStringList());  // no dialog, no message box
    EXPECT_NE(window->SelectedChannel(), 10);  // the click was refused
    EXPECT_EQ(QDir(folder.path()).entryList({"*.csv", "*.bmp", "*.png"}), QStringList());
}

TEST_F(Stress, ASecondOpenRightAfterTheFirstThenScrollStepsAndChannelSwitches) {
    WriteBytes(Path("first.log"), LogText(300));
    WriteBytes(Path("pass.kss"), KissCapture(tavro::RecordTable::kCapacity));
    window->SliceBytes = 1000;
    EachPass([&] { return window->Reading() || (window->OpenFiles({Path("pass.kss")}), QApplication::exit(0), false); });
    window->OpenFiles({Path("first.log")});
    EXPECT_EQ(QApplication::exec(), 0);  // the second open, posted during the first read, ran when it ended
    QRandomGenerator random(12);
    std::size_t channel = 5;
    for (int k = 0; k < 600; ++k) {
        const auto action = QAbstractSlider::SliderAction(1 + random.bounded(6));  // steps, pages, ends
        k % 5 ? ui().recordScroll->triggerAction(action) : ui().recordScroll->setValue(random.bounded(10020) - 10);
        if (k % 4 == 0) ui().channelButtons[channel = random.bounded(tavro::kChannelCount)]->click();
        if (k % 7 == 0) ui().barsCheck->click();
        if (k % 2) QCoreApplication::processEvents();  // some before the last plot was painted
        const int p = ui().recordScroll->value();
        ASSERT_EQ(ui().recordCounter->text(), QStringLiteral("#%1 / 10000").arg(p)) << "step " << k;
        ASSERT_EQ(ui().valueBoxes[5]->text(), QString::number(9 + p)) << "step " << k;  // Cmd valid of record p
    }
    EXPECT_EQ(window->SelectedChannel(), static_cast<int>(channel));
    EXPECT_TRUE(ui().chartFrame->title().startsWith(ui().channelButtons[channel]->text()));
    EXPECT_EQ(ui().chart->IsBars(), ui().barsCheck->isChecked());
    for (int row : {1, 5000, 10000}) EXPECT_EQ(ui().chart->RowValue(row), window->Engine().Records()[row - 1].Channels[channel]);
    ui().recordScroll->setValue(10000);  // the widest counter, whole inside its frame
    QLineEdit* counter = ui().recordCounter;
    EXPECT_EQ(counter->text(), "#10000 / 10000");
    EXPECT_LE(QFontMetrics(counter->font()).horizontalAdvance(counter->text()) + 2 * counter->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 4,
              counter->width());
}
