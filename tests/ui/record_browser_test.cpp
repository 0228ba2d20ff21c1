// Stepping through the records (counter, value boxes, time label), choosing
// the charted channel (title, highlighted box, chart), and the two exports.
#include "atomic_file.h"
#include "export_safety.h"
#include "window_test_support.h"

using namespace uitest;

TEST_F(WindowTest, EachPositionShowsItsRecord) {
    WriteBytes(Path("pass.kss"), KissCapture(3, "2026-12-06 09:05:00.000 UTC M\xFCnchen\x01\x85"));  // Latin-1
    window->OpenFiles({Path("pass.kss")});
    const struct { int position, channel; const char* text; } cases[] = {
        {1, 0, "norm"}, {2, 0, "3"},  // OPS mode 3: its own text, never the previous "norm"
        {1, 3, "90"},   {3, 3, "92"},  {1, 6, "&H1F"}, {1, 7, "0d 01:02:03"}, {2, 7, "0d 01:02:04"},
        {1, 8, "hardware"}, {1, 10, "39.50"}, {3, 10, "118.50"}, {1, 46, "0"},
    };
    for (const auto& c : cases) {
        ui().recordScroll->setValue(c.position);
        EXPECT_EQ(ui().valueBoxes[c.channel]->text(), c.text) << c.position << " " << c.channel;
        EXPECT_EQ(ui().recordCounter->text(), QStringLiteral("#%1 / 3").arg(c.position));
        EXPECT_EQ(ui().timeLabel->text(), QString::fromUtf8("2026-12-06 09:05:00.000 UTC München??"));
    }
    Load("empty.kss", 0);  // a time stamp, no records: nothing of the file before stays
    EXPECT_EQ(ui().recordCounter->text(), "#1 / 0");
    EXPECT_TRUE(BoxTexts(*window).join("").isEmpty());
    EXPECT_EQ(ui().timeLabel->text(), "");
    EXPECT_EQ(ui().statusLine->text(), "no housekeeping frames in empty.kss (only time stamp frames)");
}

TEST_F(WindowTest, ChoosingAChannel) {
    Load("pass.kss", 3);
    const QColor lightYellow(255, 255, 192);
    const struct { int channel; const char* title; double row1, row3; } cases[] = {
        {10, "Batt voltage (V)", 39.5, 118.5}, {0, "OPS mode", 4, 4},         {7, "Sat Time (s)", 3723, 3725},
        {12, "Batt temp (C)", 190, 190},        {46, "SMDH diff cnt", 0, 0}, {43, "MIPS diff cnt (m)", 0, 0},
    };
    for (const auto& c : cases) {
        ui().channelButtons[c.channel]->click();
        EXPECT_EQ(ui().chartFrame->title(), c.title);
        for (int i = 0; i < tavro::kChannelCount; ++i) {
            EXPECT_EQ(ui().channelButtons[i]->isChecked(), i == c.channel) << c.channel << " " << i;
            EXPECT_EQ(ui().valueBoxes[i]->palette().color(QPalette::Base), i == c.channel ? lightYellow : QColor(240, 240, 240));
        }
        EXPECT_EQ(std::pair(ui().chart->RowValue(1), ui().chart->RowValue(3)), std::pair(c.row1, c.row3));
        EXPECT_EQ(ui().chart->AxisLabels().front(), std::pair(1, QStringLiteral("09:05")));
    }
    ui().barsCheck->click();  // bars for the last channel, kept for the next file
    EXPECT_EQ(ui().chartFrame->title(), "MIPS diff cnt (m)");
    Load("pass.kss", 100);
    EXPECT_TRUE(ui().chart->IsBars());
    EXPECT_EQ(ui().chart->RowCount(), 100);
    ui().barsCheck->click();
    EXPECT_FALSE(ui().chart->IsBars());
}

// The marker follows the scroll bar, a click on the chart shows its record (a drag
// does not), hovering reads the value out as its box shows it.
TEST_F(WindowTest, TheChartMarksChoosesAndReadsOut) {
    Load("pass.kss", 300);
    Show();
    ui().channelButtons[10]->click();
    ui().recordScroll->setValue(7);
    EXPECT_EQ(ui().chart->MarkerRow(), 7);
    QCustomPlot* plot = ui().chart->Plot();
    const auto at = [plot](double row) { return QPoint(qRound(plot->xAxis->coordToPixel(row)), plot->axisRect()->center().y()); };
    Click(plot, at(119.7));  // the nearest row
    EXPECT_EQ(std::pair(ui().recordScroll->value(), ui().recordCounter->text()), std::pair(120, QStringLiteral("#120 / 300")));
    EXPECT_EQ(ui().valueBoxes[10]->text(), "4740.00");
    EXPECT_EQ(ui().chart->MarkerRow(), 120);
    Drag(plot, at(20), at(60));
    EXPECT_EQ(ui().recordScroll->value(), 120);  // a drag chooses no record
    Hover(plot, at(2));
    EXPECT_EQ(ui().chart->Readout(), "#2  2026-12-06 09:05:00.000 UTC\n79.00 V");
    Hover(plot, QPoint(1, 1));  // outside the plot area
    EXPECT_EQ(ui().chart->Readout(), "");
}

TEST_F(WindowTest, BothFilesBesideTheInput) {
    window->SetDecimalSeparator(',');
    Load("pass1.kss", 3);
    ui().recordScroll->setValue(2);
    ui().writeCsvAction->trigger();
    EXPECT_EQ(ui().statusLine->text(), Path("pass1.csv") + " has been written");
    const auto Lines = [this](const char* name) { return tavro::test::Lines(tavro::test::FileText(Path(name).toStdString())); };
    std::vector<std::string> lines = Lines("pass1.csv");
    ASSERT_EQ(lines.size(), 4u);  // a header and every record, whatever is on display
    EXPECT_TRUE(lines[0].starts_with("OPS mode;Boot cnt;Packet cnt;Uptime;Cmd rx;Cmd valid;"));
    EXPECT_TRUE(lines[2].starts_with("3,00;0,00;0,00;91,00;0,00;11,00;31,00;3724,00;0,00;0,00;79,00;"));

    ui().writeTlmAction->trigger();
    EXPECT_EQ(ui().statusLine->text(), Path("pass1.tlm") + " has been written");
    lines = Lines("pass1.tlm");
    ASSERT_EQ(lines.size(), 26u);
    EXPECT_EQ(lines[3], "OPS mode            3                    |  Boot cnt            0                 \r");
    EXPECT_EQ(lines[8], "Batt voltage        79,00     V          |  tot sys curr        0,00      A       \r");
}

// The window's exports follow every safety rule (the table in export_safety.h).
TEST_F(WindowTest, ExportsFollowTheSafetyRules) {
    // A folder of their own: the window's archive lies in the program folder.
    QDir(folder.path()).mkdir(QStringLiteral("exports"));
    tavro::test::CheckExportSafety(Path("exports").toStdString(), [this](const tavro::test::ExportCall& call) {
        QStringList inputs;
        for (const std::string& input : call.inputs) inputs << QString::fromStdString(input);
        window->OpenFiles(inputs);
        if (call.failWrite) tavro::SetWriteFaultForTesting([](const std::string&) { return ENOSPC; });
        window->OnWriteCsv();
        tavro::SetWriteFaultForTesting(nullptr);
        const QString status = ui().statusLine->text();
        return tavro::test::ExportOutcome{status.endsWith(" has been written"), status.toStdString()};
    }, false);
}
