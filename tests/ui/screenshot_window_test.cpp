// The "S" button of the real window: what the picture shows, the converter's
// command line, the status line, and the bundled nconvert's PNG.
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

#include <algorithm>
#include <cstdlib>

#include "window_test_support.h"

namespace {

using namespace uitest;

// A stub converter: writes its arguments, one a line, beside itself.
void WriteStubConverter(const QString& folder) {
    const QString path = QDir(folder).filePath("nconvert");
    WriteBytes(path, std::string("#!/bin/sh\n"
                                 "PATH=/usr/bin:/bin\n"
                                 "here=$(dirname \"$0\")\n"
                                 "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$here/arguments.tmp\"\n"
                                 "mv \"$here/arguments.tmp\" \"$here/arguments.txt\"\n"));
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The converter runs on its own: wait for what it leaves behind.
bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 1500 && !done(); ++i) QThread::msleep(20);
    return done();
}

QImage Rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB888); }

class ScreenshotWindowTest : public WindowTest {
protected:
    void LoadAndShow(const QString& input) {
        WriteBytes(input, KissCapture(60));
        window->OpenFiles({input});
        window->setAttribute(Qt::WA_DontShowOnScreen);
        window->show();
        QApplication::processEvents();
        QObject::connect(window->Text4, &QLineEdit::textChanged, [this](const QString& text) { statuses << text; });
    }
    QImage ClientPixels() const { return Rgb(window->ClientArea->grab().toImage()); }

    QStringList statuses;
};

TEST_F(ScreenshotWindowTest, ThePictureIsTheClientAreaWithoutTheTwoControls) {
    WriteStubConverter(folder.path());
    LoadAndShow(Path("tavro_pass1.kss"));
    window->Check1->hide();
    window->Command1->hide();
    const QImage withoutControls = ClientPixels();
    window->Check1->show();
    window->Command1->show();
    const QImage withControls = ClientPixels();

    window->Command1->click();

    const QString bitmap = Path("tavro_pass1.bmp");
    const QStringList arguments{"-out", "png", "-transpcolor", "240", "240", "240", "-colors", "256", "-quiet", "-D", bitmap};
    ASSERT_TRUE(WaitFor([this] { return QFile::exists(Path("arguments.txt")); }));
    EXPECT_EQ(QString::fromUtf8(ReadAll(Path("arguments.txt"))).split('\n', Qt::SkipEmptyParts), arguments);
    EXPECT_EQ(statuses, QStringList({bitmap + " saved", Path("tavro_pass1.png") + " converted and saved"}));
    EXPECT_TRUE(messages.empty());

    const QImage picture(bitmap);
    EXPECT_EQ(picture.size(), window->ClientArea->size() * window->devicePixelRatio());
    EXPECT_EQ(Rgb(picture), withoutControls);
    for (QWidget* control : {static_cast<QWidget*>(window->Check1), static_cast<QWidget*>(window->Command1)}) {
        const QRect place(control->mapTo(window->ClientArea, QPoint(0, 0)), control->size());
        EXPECT_NE(withControls.copy(place), Rgb(picture).copy(place)) << control->objectName().toStdString();
        EXPECT_TRUE(control->isVisible());
    }
    EXPECT_EQ(window->Store().InputFilePath, Path("tavro_pass1.kss").toStdString());
}

TEST_F(ScreenshotWindowTest, LaterExportsKeepTheInputsFolderAndName) {
    ASSERT_TRUE(QDir(folder.path()).mkdir("tavro_runs"));
    LoadAndShow(Path("tavro_runs/tavro_pass1.kss"));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "");  // no converter anywhere
    window->Command1->click();
    qputenv("PATH", path);

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "nconvert.exe not found");
    EXPECT_EQ(messages[0].title, "Error");
    EXPECT_EQ(statuses, QStringList{Path("tavro_pass1.bmp") + " saved"});

    window->WriteCSVFile_Click();
    EXPECT_EQ(window->Text4->text(), Path("tavro_runs/tavro_pass1.csv") + " has been written");
}

TEST_F(ScreenshotWindowTest, TheBundledConverterMakesTheBackgroundTransparent) {
    ASSERT_TRUE(QFile::link(QString(TAVRO_BIN_DIR) + "/nconvert", Path("nconvert")));
    LoadAndShow(Path("pass1.kss"));
    window->Check1->hide();
    window->Command1->hide();
    const QImage onScreen = window->ClientArea->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    window->Check1->show();
    window->Command1->show();
    window->Command1->click();

    const QString png = Path("tavro_pass1.png");
    EXPECT_EQ(window->Text4->text(), png + " converted and saved");
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(png) && !QFile::exists(Path("tavro_pass1.bmp")); }));
    const QImage picture = QImage(png).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(picture.size(), onScreen.size());

    const QPoint button = window->Command1->geometry().center();
    EXPECT_EQ(qAlpha(picture.pixel(button)), 0);  // the button is not in the picture
    // Exactly the background becomes see-through; every other pixel keeps
    // its colour, or a close one where 256 colours do not cover the window.
    int seeThrough = 0, worst = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb shown = onScreen.pixel(x, y), saved = picture.pixel(x, y);
            ASSERT_EQ(qAlpha(saved) == 0, shown == qRgb(240, 240, 240)) << x << "," << y;
            if (qAlpha(saved) == 0) {
                ++seeThrough;
                continue;
            }
            ASSERT_EQ(qAlpha(saved), 255);
            worst = std::max({worst, std::abs(qRed(saved) - qRed(shown)), std::abs(qGreen(saved) - qGreen(shown)),
                              std::abs(qBlue(saved) - qBlue(shown))});
        }
    }
    EXPECT_GT(seeThrough, picture.width() * picture.height() / 4);
    EXPECT_LE(worst, 24);
    const QPoint box = window->Text1[5]->geometry().center();
    EXPECT_EQ(picture.pixel(box), onScreen.pixel(box));
}

}  // namespace

TAVRO_UI_TEST_MAIN()
