// The Info window: one at a time, modeless, its texts and picture.
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>

#include "info_window.h"
#include "window_test_support.h"

namespace {

using namespace uitest;
using tavro::ui::InfoWindow;

int OpenInfoWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<InfoWindow*>(w) && w->isVisible()) ++n;
    return n;
}

class InfoWindowTest : public WindowTest {
protected:
    void TearDown() override {
        if (window->Info()) window->Info()->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(InfoWindowTest, OneWindowWithTheVersion) {
    window->MnuInfo->trigger();
    window->MnuInfo_Click();
    EXPECT_EQ(OpenInfoWindows(), 1);
    InfoWindow* info = window->Info();
    ASSERT_NE(info, nullptr);
    EXPECT_FALSE(info->isModal());
    EXPECT_EQ(info->windowTitle(), "Info");
    EXPECT_EQ(info->Label2->text(), "Version 0.3    (01 July 2014)");
    EXPECT_EQ(info->Label2->parentWidget(), info->Frame1);
    EXPECT_EQ(info->Label1->text(), "TAVRO Telemetry Decoder");
    EXPECT_EQ(info->Label8->text(), "QX0QX");
    EXPECT_TRUE(info->Label8->font().bold());
    EXPECT_EQ(info->Label6->text(), "Homepage:");
    EXPECT_EQ(info->Label7->text(), "e-mail:");
    EXPECT_TRUE(info->Label4->font().underline());
    EXPECT_EQ(info->Label5->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    // The project speaks for itself.
    for (QLabel* label : {info->Label3, info->Label4, info->Label5})
        EXPECT_TRUE(label->text().contains("tavro", Qt::CaseInsensitive)) << label->text().toStdString();
    for (QLabel* label : info->findChildren<QLabel*>())
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
    EXPECT_EQ(info->Image1->pixmap().size(), QSize(249, 222));
    EXPECT_EQ(info->Image1->geometry().topLeft(), QPoint(256, 0));
    EXPECT_EQ(info->size(), QSize(506, 217));
    EXPECT_EQ(info->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_FALSE(info->windowIcon().isNull());
}

TEST_F(InfoWindowTest, MainWindowKeepsWorkingAndReopenAfterClose) {
    window->MnuInfo_Click();
    window->WriteCSVFile_Click();
    EXPECT_EQ(window->Text4->text(), "no input file");
    InfoWindow* first = window->Info();
    first->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->Info(), nullptr);
    EXPECT_EQ(OpenInfoWindows(), 0);
    window->MnuInfo_Click();
    EXPECT_EQ(OpenInfoWindows(), 1);
    EXPECT_EQ(window->Info()->Label2->text(), "Version 0.3    (01 July 2014)");
}

TEST_F(InfoWindowTest, InfoStaysAvailableDuringARead) {
    WriteBytes(Path("long.kss"), KissCapture(300));
    window->SliceBytes = 512;
    bool infoEnabled = false;
    QTimer::singleShot(0, window.get(), [&] {
        infoEnabled = window->MnuInfo->isEnabled();
        window->MnuInfo->trigger();
    });
    window->OpenFiles({Path("long.kss")});
    EXPECT_TRUE(infoEnabled);
    EXPECT_EQ(OpenInfoWindows(), 1);
    EXPECT_EQ(window->Store().table.RecordCount(), 300);
}

}  // namespace

TAVRO_UI_TEST_MAIN()
