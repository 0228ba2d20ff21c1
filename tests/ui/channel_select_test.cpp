// Choosing the charted channel: title, highlighted box, option state, the
// chart's rows and style.
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>

#include "channel_chart.h"
#include "window_test_support.h"

namespace {

using namespace uitest;

const QColor kLightYellow(255, 255, 192);

class ChannelSelect : public WindowTest {
protected:
    void LoadCapture(int records) {
        WriteBytes(Path("pass.kss"), KissCapture(records));
        window->OpenFiles({Path("pass.kss")});
    }
    QColor Background(int channel) const { return window->Text1[channel]->palette().color(QPalette::Base); }
};

struct TitleCase {
    int channel;
    const char* title;
};

constexpr TitleCase kTitles[] = {
    {10, "Batt voltage (V)"}, {0, "OPS mode"},       {7, "Sat Time (s)"}, {12, "Batt temp (C)"},
    {16, "Solar curr (mA)"},  {46, "SMDH diff cnt"}, {43, "MIPS diff cnt (m)"},
};

TEST_F(ChannelSelect, TitleColoursAndOptionState) {
    LoadCapture(3);
    for (const TitleCase& c : kTitles) {
        window->Option1_Click(c.channel);
        EXPECT_EQ(window->Frame1->title(), c.title);
        EXPECT_EQ(window->SelectedChannel(), c.channel);
        for (int i = 0; i < tavro::kChannelCount; ++i) {
            EXPECT_EQ(window->Option1[i]->isChecked(), i == c.channel) << "channel " << c.channel << ", button " << i;
            EXPECT_EQ(Background(i), i == c.channel ? kLightYellow : QColor(Qt::white)) << "box " << i;
        }
        EXPECT_EQ(window->MSChart1->RowCount(), 3);
    }
}

TEST_F(ChannelSelect, ClickingAnOptionButtonPlotsItsChannel) {
    LoadCapture(3);
    window->Option1[10]->click();
    EXPECT_EQ(window->SelectedChannel(), 10);
    EXPECT_EQ(window->Frame1->title(), "Batt voltage (V)");
    EXPECT_EQ(window->MSChart1->RowValue(1), 39.5);
    EXPECT_EQ(window->MSChart1->RowValue(3), 118.5);
    EXPECT_EQ(window->MSChart1->RowLabel(1), "09:05");
    // Moving through the records does not replot.
    window->HScroll1->setValue(2);
    EXPECT_EQ(window->MSChart1->RowCount(), 3);
    EXPECT_EQ(window->SelectedChannel(), 10);
}

TEST_F(ChannelSelect, SatTimeIsChartedAsRawSeconds) {
    LoadCapture(2);
    window->Option1_Click(7);
    EXPECT_EQ(window->MSChart1->RowValue(1), 3723.0);
    EXPECT_EQ(window->MSChart1->RowValue(2), 3724.0);
}

TEST_F(ChannelSelect, CheckBoxSwitchesBarsAndLineForTheLastChannel) {
    LoadCapture(3);
    EXPECT_FALSE(window->Check1->isChecked());
    EXPECT_FALSE(window->MSChart1->IsBars());
    window->Option1_Click(12);
    window->Check1->click();
    EXPECT_TRUE(window->MSChart1->IsBars());
    EXPECT_EQ(window->Frame1->title(), "Batt temp (C)");
    EXPECT_EQ(window->MSChart1->RowValue(1), -0.2959 * 0 + 190.0);
    window->Check1->click();
    EXPECT_FALSE(window->MSChart1->IsBars());
    // The style holds for the chart of the next load.
    window->Check1->click();
    LoadCapture(4);
    EXPECT_TRUE(window->MSChart1->IsBars());
    EXPECT_EQ(window->MSChart1->RowCount(), 4);
}

TEST_F(ChannelSelect, CheckBoxBeforeAnyFile) {
    window->Check1->click();
    EXPECT_TRUE(window->MSChart1->IsBars());
    EXPECT_EQ(window->MSChart1->RowCount(), 0);
    EXPECT_EQ(window->SelectedChannel(), 0);
    EXPECT_EQ(window->Frame1->title(), "");
}

TEST_F(ChannelSelect, LabelSpacingFollowsTheRecordCount) {
    LoadCapture(100);
    EXPECT_EQ(window->MSChart1->LabelSpacing(), 2);
    LoadCapture(30);  // kept for 40 records or fewer
    EXPECT_EQ(window->MSChart1->LabelSpacing(), 2);
    LoadCapture(140);
    EXPECT_EQ(window->MSChart1->LabelSpacing(), 4);
}

}  // namespace

TAVRO_UI_TEST_MAIN()
