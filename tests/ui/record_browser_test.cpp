// Stepping through the records: counter, value boxes by their display rules,
// the time label; no stale texts; an empty table.
#include <QLabel>
#include <QScrollBar>

#include "window_test_support.h"

namespace {

using namespace uitest;

class RecordBrowser : public WindowTest {
protected:
    void Load(int records, std::string_view stamp = "2026-12-06 09:05:00.000 UTC;1;2;3") {
        WriteBytes(Path("pass.kss"), KissCapture(records, stamp));
        window->OpenFiles({Path("pass.kss")});
    }
};

struct BoxCase {
    int position;  // scroll position, 1-based
    int channel;
    const char* text;
};

// Sample record k (window_test_support.h) shown at position k + 1.
constexpr BoxCase kBoxCases[] = {
    {1, 0, "norm"},          // OPS mode 4
    {2, 0, "3"},             // OPS mode 3: its own text, never the previous "norm"
    {1, 3, "90"},            // Uptime: plain seconds
    {3, 3, "92"},
    {1, 5, "10"},
    {1, 6, "&H1F"},          // hex
    {1, 7, "0d 01:02:03"},   // Sat Time 3723 s
    {2, 7, "0d 01:02:04"},
    {1, 8, "hardware"},      // PPT mode 0
    {1, 10, "39.50"},        // 100 * 0.395
    {2, 10, "79.00"},
    {3, 10, "118.50"},
    {1, 41, "-1"},           // MagY -64 * 0.015625
    {1, 46, "0"},            // not in the capture layout
};

TEST_F(RecordBrowser, EachPositionShowsItsRecord) {
    Load(3);
    for (const BoxCase& c : kBoxCases) {
        window->HScroll1->setValue(c.position);
        EXPECT_EQ(window->Text1[c.channel]->text(), c.text) << "position " << c.position << " channel " << c.channel;
        EXPECT_EQ(window->Text2->text(), QStringLiteral("#%1 / 3").arg(c.position));
    }
}

TEST_F(RecordBrowser, BackAndForthGivesTheSameTexts) {
    Load(3);
    const QStringList first = BoxTexts(*window);
    window->HScroll1->setValue(2);
    const QStringList second = BoxTexts(*window);
    window->HScroll1->setValue(1);
    EXPECT_EQ(BoxTexts(*window), first);
    EXPECT_NE(second, first);
    for (const QString& text : BoxTexts(*window)) EXPECT_FALSE(text.isEmpty());
}

TEST_F(RecordBrowser, DecimalCommaFromTheLocale) {
    window->DecimalSeparator = ',';
    Load(1);
    EXPECT_EQ(window->Text1[10]->text(), "39,50");
    EXPECT_EQ(window->Text1[7]->text(), "0d 01:02:03");
}

TEST_F(RecordBrowser, TimeLabelIsLatin1) {
    Load(2, "2026-12-06 09:05:00.000 UTC M\xFCnchen");
    EXPECT_EQ(window->Label5->text(), QString::fromUtf8("2026-12-06 09:05:00.000 UTC München"));
}

TEST_F(RecordBrowser, EmptyTimeTextLeavesTheLabelEmpty) {
    // A capture without time stamp frames after start-up: empty time texts.
    std::vector<std::uint8_t> bytes = tavro::passgen::KissWrap(tavro::passgen::KissHousekeepingFrame(KissRecordRaw(0)));
    WriteBytes(Path("nostamp.kss"), bytes);
    window->OpenFiles({Path("nostamp.kss")});
    EXPECT_EQ(window->Text2->text(), "#1 / 1");
    EXPECT_EQ(window->Label5->text(), "");
    EXPECT_EQ(window->Text1[0]->text(), "norm");
}

TEST_F(RecordBrowser, NoRecordsShowCountZeroAndEmptyBoxes) {
    Load(3);
    window->HScroll1->setValue(3);
    WriteBytes(Path("other.kss"), tavro::passgen::KissWrap(tavro::passgen::KissTimeStampFrame("x")));
    window->OpenFiles({Path("other.kss")});
    EXPECT_EQ(window->Text2->text(), "#1 / 0");
    EXPECT_TRUE(window->HScroll1->isEnabled());
    EXPECT_TRUE(BoxTexts(*window).join("").isEmpty());
}

TEST_F(RecordBrowser, NewFileKeepsThePositionWithinTheNewCount) {
    Load(3);
    window->HScroll1->setValue(3);
    Load(5);
    EXPECT_EQ(window->Text2->text(), "#3 / 5");
    EXPECT_EQ(window->Text1[3]->text(), "92");
    Load(2);
    EXPECT_EQ(window->Text2->text(), "#2 / 2");
    EXPECT_EQ(window->Text1[0]->text(), "3");
}

}  // namespace

TAVRO_UI_TEST_MAIN()
