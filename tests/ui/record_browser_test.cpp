// Stepping through the records (counter, value boxes, time label) and
// choosing the charted channel (title, highlighted box, chart rows and style).
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>

#include "channel_chart.h"
#include "window_test_support.h"

namespace {

using namespace uitest;

TEST_F(WindowTest, EachPositionShowsItsRecord) {
    Load("pass.kss", 3);
    const struct { int position, channel; const char* text; } cases[] = {
        {1, 0, "norm"}, {2, 0, "3"},  // OPS mode 3: its own text, never the previous "norm"
        {1, 3, "90"},   {3, 3, "92"},  {1, 6, "&H1F"}, {1, 7, "0d 01:02:03"}, {2, 7, "0d 01:02:04"},
        {1, 8, "hardware"}, {1, 10, "39.50"}, {3, 10, "118.50"}, {1, 46, "0"},
    };
    for (const auto& c : cases) {
        window->HScroll1->setValue(c.position);
        EXPECT_EQ(window->Text1[c.channel]->text(), c.text) << c.position << " " << c.channel;
        EXPECT_EQ(window->Text2->text(), QStringLiteral("#%1 / 3").arg(c.position));
        EXPECT_EQ(window->Label5->text(), "2026-12-06 09:05:00.000 UTC");
    }
    Load("pass.kss", 0);  // no records
    EXPECT_EQ(window->Text2->text(), "#1 / 0");
    EXPECT_TRUE(BoxTexts(*window).join("").isEmpty());
}

TEST_F(WindowTest, TimeLabelIsLatin1) {
    WriteBytes(Path("pass.kss"), KissCapture(1, "2026-12-06 09:05:00.000 UTC M\xFCnchen"));
    window->OpenFiles({Path("pass.kss")});
    EXPECT_EQ(window->Label5->text(), QString::fromUtf8("2026-12-06 09:05:00.000 UTC München"));
}

TEST_F(WindowTest, ChoosingAChannel) {
    Load("pass.kss", 3);
    const QColor lightYellow(255, 255, 192);
    const struct { int channel; const char* title; double row1, row3; } cases[] = {
        {10, "Batt voltage (V)", 39.5, 118.5}, {0, "OPS mode", 4, 4},         {7, "Sat Time (s)", 3723, 3725},
        {12, "Batt temp (C)", 190, 190},        {46, "SMDH diff cnt", 0, 0}, {43, "MIPS diff cnt (m)", 0, 0},
    };
    for (const auto& c : cases) {
        window->Option1[c.channel]->click();
        EXPECT_EQ(window->Frame1->title(), c.title);
        EXPECT_EQ(window->SelectedChannel(), c.channel);
        for (int i = 0; i < tavro::kChannelCount; ++i) {
            EXPECT_EQ(window->Option1[i]->isChecked(), i == c.channel) << c.channel << " " << i;
            EXPECT_EQ(window->Text1[i]->palette().color(QPalette::Base), i == c.channel ? lightYellow : Qt::white);
        }
        EXPECT_EQ(window->MSChart1->RowCount(), 3);
        EXPECT_EQ(std::pair(window->MSChart1->RowValue(1), window->MSChart1->RowValue(3)), std::pair(c.row1, c.row3));
        EXPECT_EQ(window->MSChart1->RowLabel(2), "09:05");
    }
    // Bars or a line for the last channel; the style holds for the next file.
    EXPECT_FALSE(window->MSChart1->IsBars());
    window->Check1->click();
    EXPECT_TRUE(window->MSChart1->IsBars());
    EXPECT_EQ(window->Frame1->title(), "MIPS diff cnt (m)");
    Load("pass.kss", 100);
    EXPECT_TRUE(window->MSChart1->IsBars());
    EXPECT_EQ(window->MSChart1->LabelSpacing(), 2);
    window->Check1->click();
    EXPECT_FALSE(window->MSChart1->IsBars());
    EXPECT_EQ(window->MSChart1->RowCount(), 100);
}

}  // namespace

TAVRO_UI_TEST_MAIN()
