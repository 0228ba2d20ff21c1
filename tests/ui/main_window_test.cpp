// Form1 at start-up: captions, the channel grid, controls, menus, conf.ini,
// the capture surface, and texts that must be readable in full.
#include <QCheckBox>
#include <QFontMetrics>
#include <QImage>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>

#include "channel_chart.h"
#include "window_test_support.h"

namespace {

using namespace uitest;

class MainWindowStart : public WindowTest {};

TEST_F(MainWindowStart, CaptionsFromTheChannelList) {
    EXPECT_EQ(window->windowTitle(), "TAVRO Telemetry Decoder (QX0QX)");
    EXPECT_EQ(window->Option1[0]->text(), "OPS mode");
    EXPECT_EQ(window->Option1[46]->text(), "SMDH diff cnt");
    EXPECT_EQ(window->Label2[10]->text(), "V");
    EXPECT_EQ(window->Label2[0]->text(), "");
    for (int i = 0; i < tavro::kChannelCount; ++i) {
        const auto& info = tavro::ChannelCatalogue[static_cast<std::size_t>(i)];
        EXPECT_EQ(window->Option1[i]->text().toStdString(), info.name);
        EXPECT_EQ(window->Label2[i]->text().toStdString(), info.unit);
    }
}

struct GridCase {
    int channel;
    int left;  // of Option1, pixels
    int top;
};

// Twips / 15: columns at 120, 3480, 6840; rows from 120, 240 apart.
constexpr GridCase kGrid[] = {
    {1, 8, 8},     {0, 8, 24},     {2, 8, 40},     {16, 8, 264},  {17, 232, 8},
    {33, 232, 264}, {34, 456, 8},  {46, 456, 200},
};

TEST_F(MainWindowStart, ChannelGridPlaces) {
    for (const GridCase& c : kGrid) {
        const QRect option = window->Option1[c.channel]->geometry();
        EXPECT_EQ(option.topLeft(), QPoint(c.left, c.top)) << "channel " << c.channel;
        const QRect box = window->Text1[c.channel]->geometry();
        const QRect unit = window->Label2[c.channel]->geometry();
        EXPECT_EQ(box.top(), c.top);
        EXPECT_EQ(box.right() + 1, c.left + 128 + 49);  // ends where the designed box ends
        EXPECT_GE(box.width(), 70);
        EXPECT_EQ(unit.topLeft(), QPoint(c.left + 184, c.top));
        EXPECT_LT(option.right(), box.left());
        EXPECT_LT(box.right(), unit.left());
    }
}

TEST_F(MainWindowStart, ControlsAtStart) {
    EXPECT_EQ(window->ClientArea->size(), QSize(690, 642));
    EXPECT_EQ(window->ClientArea->palette().color(QPalette::Window), QColor(240, 240, 240));
    EXPECT_EQ(window->Label5->geometry(), QRect(456, 264, 201, 17));
    EXPECT_TRUE(window->Label5->font().bold());
    EXPECT_EQ(window->Frame1->geometry(), QRect(8, 288, 673, 313));
    EXPECT_TRUE(window->Frame1->font().bold());
    EXPECT_GT(window->Frame1->font().pointSizeF(), window->Label5->font().pointSizeF());
    EXPECT_EQ(window->MSChart1->parentWidget(), window->Frame1);
    EXPECT_EQ(window->Check1->parentWidget(), window->Frame1);
    EXPECT_EQ(window->Check1->text(), "B");
    EXPECT_FALSE(window->Check1->isChecked());
    EXPECT_EQ(window->Command1->text(), "S");
    EXPECT_EQ(window->Command1->geometry(), QRect(8, 608, 33, 21));
    EXPECT_EQ(window->Text4->geometry(), QRect(48, 608, 465, 19));
    EXPECT_EQ(window->Text4->palette().color(QPalette::Text), QColor(128, 128, 128));
    EXPECT_EQ(window->Text2->geometry(), QRect(528, 608, 49, 19));
    EXPECT_EQ(window->HScroll1->geometry(), QRect(592, 608, 89, 25));
    EXPECT_FALSE(window->HScroll1->isEnabled());
    EXPECT_EQ(window->HScroll1->minimum(), 1);
    EXPECT_TRUE(window->List3->isHidden());
    EXPECT_TRUE(window->Picture2->isHidden());
    EXPECT_TRUE(window->Text2->text().isEmpty());
    EXPECT_TRUE(window->Text4->text().isEmpty());
    EXPECT_TRUE(window->Label5->text().isEmpty());
    EXPECT_TRUE(BoxTexts(*window).join("").isEmpty());
    EXPECT_FALSE(window->windowIcon().isNull());
}

TEST_F(MainWindowStart, Menus) {
    const QList<QAction*> titles = window->menuBar()->actions();
    ASSERT_EQ(titles.size(), 3);
    EXPECT_EQ(titles[0]->text(), "File");
    EXPECT_EQ(titles[1]->text(), "TLM File");
    EXPECT_EQ(titles[2]->text(), "Info");
    EXPECT_EQ(titles[2]->menu(), nullptr);  // the title is the command
    ASSERT_NE(titles[0]->menu(), nullptr);
    QStringList file, tlm;
    for (QAction* a : titles[0]->menu()->actions()) file << a->text();
    for (QAction* a : titles[1]->menu()->actions()) tlm << a->text();
    EXPECT_EQ(file, (QStringList{"Open KISS file", "Open Log file"}));
    EXPECT_EQ(tlm, (QStringList{"Write CSV File", "Write TLM File"}));
}

TEST_F(MainWindowStart, CapturingSurfaceFollowsTheClientArea) {
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    QApplication::processEvents();
    EXPECT_EQ(window->Picture2->geometry(), QRect(QPoint(0, 0), window->ClientArea->size()));
    EXPECT_TRUE(window->Picture2->isHidden());
    EXPECT_EQ(window->ClientArea->mapTo(window.get(), QPoint(0, 0)).y(), window->menuBar()->height());
}

// Texts that must fit their controls: value boxes and option captions.
TEST_F(MainWindowStart, UsualTextsAreReadableInFull) {
    QLineEdit* box = window->Text1[7];
    const QFontMetrics valueMetrics(box->font());
    const int room = box->width() - 2 * 2 - 2;  // frame and margins of a line edit
    for (const char* text : {"20785d 10:14:00", "-24856d 20:45:52"})  // Sat Time of a log file
        EXPECT_LE(valueMetrics.horizontalAdvance(QString::fromLatin1(text)), room) << text;
    const int otherRoom = window->Text1[8]->width() - 2 * 2 - 2;
    for (const char* text : {"fix SW PPT", "1d 02:03:04", "-1234.56", "10d 00:00:00", "&HFFFF", "detumb", "-2601.30"})
        EXPECT_LE(valueMetrics.horizontalAdvance(QString::fromLatin1(text)), otherRoom) << text;

    for (int i = 0; i < tavro::kChannelCount; ++i) {
        QRadioButton* option = window->Option1[i];
        QStyleOptionButton style;
        style.initFrom(option);
        const QRect label = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &style, option);
        EXPECT_LE(QFontMetrics(option->font()).horizontalAdvance(option->text()), label.width()) << option->text().toStdString();
        EXPECT_LE(QFontMetrics(window->Label2[i]->font()).horizontalAdvance(window->Label2[i]->text()),
                  window->Label2[i]->width());
    }
    EXPECT_LE(QFontMetrics(window->Label5->font()).horizontalAdvance("2026-12-06 23:59:58.250 UTC"), window->Label5->width());
}

TEST_F(MainWindowStart, ScreenshotButtonCapturesTheClientArea) {
    WriteBytes(Path("conf.ini"), "IMAGE_PATH=" + folder.path().toStdString() + "/shots\n");
    ASSERT_TRUE(QDir(folder.path()).mkdir("shots"));
    MakeWindow();
    WriteBytes(Path("pass1.kss"), KissCapture(3));
    window->OpenFiles({Path("pass1.kss")});
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->show();
    QApplication::processEvents();

    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "");  // no converter anywhere
    window->Command1->click();
    qputenv("PATH", path);

    const QString picture = Path("shots/tavro_pass1.bmp");
    EXPECT_EQ(QImage(picture).size(), QSize(690, 642));
    EXPECT_EQ(window->Text4->text(), picture + " saved");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "nconvert.exe not found");
    EXPECT_EQ(messages[0].title, "Error");
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_FALSE(window->Check1->isHidden());
    EXPECT_FALSE(window->Command1->isHidden());
    EXPECT_EQ(window->Store().InputFilePath, Path("pass1.kss").toStdString());
}

struct ConfCase {
    const char* name;
    const char* text;  // nullptr: no conf.ini
    bool buttonShown;
    const char* imagePath;  // nullptr: the program folder
};

const ConfCase kConfCases[] = {
    {"NoFile", nullptr, true, nullptr},
    {"YesLowerCase", "SCREENSHOT = yes\n", true, nullptr},
    {"YesMixedCaseKeyCrLf", "Screenshot=YES\r\n", true, nullptr},
    {"No", "SCREENSHOT=NO\n", false, nullptr},
    {"One", "SCREENSHOT=1\r\n", false, nullptr},
    {"Empty", "SCREENSHOT=\n", false, nullptr},
    {"Comment", "#SCREENSHOT=NO\n", true, nullptr},
    {"BlankBeforeHash", " #SCREENSHOT=NO\n", true, nullptr},
    {"ImagePathKeepsCase", "image_path = Shots/Pass\n", true, "Shots/Pass/"},
    {"SecondImagePathWins", "IMAGE_PATH=a/\r\nIMAGE_PATH=b/\r\nscreenshot=no\r\n", false, "b/"},
};

class ConfIni : public WindowTest, public testing::WithParamInterface<ConfCase> {};

TEST_P(ConfIni, Effects) {
    const ConfCase& c = GetParam();
    if (c.text) WriteBytes(Path("conf.ini"), std::string(c.text));
    MakeWindow();
    EXPECT_EQ(!window->Command1->isHidden(), c.buttonShown);
    // IMAGE_PATH is used as written (case kept), closed by a separator.
    EXPECT_EQ(window->ImagePath(), c.imagePath ? QString::fromLatin1(c.imagePath) : folder.path() + "/");
}

INSTANTIATE_TEST_SUITE_P(Settings, ConfIni, testing::ValuesIn(kConfCases),
                         [](const testing::TestParamInfo<ConfCase>& info) { return std::string(info.param.name); });

}  // namespace

TAVRO_UI_TEST_MAIN()
