// The screenshot on a small stand-in window: what the bitmap shows, where it
// goes, how the converter is started and what the status line says.
#include "screenshot.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>

#include "atomic_file.h"

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace {

using tavro::ui::ScreenshotHooks;
using tavro::ui::ScreenshotRequest;
using tavro::ui::TakeScreenshot;

const QColor kBackground(240, 240, 240);
const QColor kLabelColour(0, 0, 200);

void Paint(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Button, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A stub converter: writes its arguments, one a line, beside itself.
void WriteStubConverter(const QString& folder) {
    QFile script(QDir(folder).filePath("nconvert"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\n"
                 "PATH=/usr/bin:/bin\n"  // the tests empty the caller's PATH
                 "here=$(dirname \"$0\")\n"
                 "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$here/arguments.tmp\"\n"
                 "mv \"$here/arguments.tmp\" \"$here/arguments.txt\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The converter runs on its own; wait until it has written its file.
QStringList ArgumentsWrittenIn(const QString& folder) {
    QFile file(QDir(folder).filePath("arguments.txt"));
    for (int i = 0; i < 500 && !file.exists(); ++i) QThread::msleep(20);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    lines.removeLast();
    return lines;
}

class ScreenshotTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        client.setAttribute(Qt::WA_DontShowOnScreen);
        client.resize(200, 120);
        Paint(&client, kBackground);
        label = new QLabel(&client);
        label->setGeometry(60, 10, 40, 30);
        Paint(label, kLabelColour);
        check = new QCheckBox("B", &client);
        check->setGeometry(160, 70, 30, 20);
        Paint(check, Qt::red);
        button = new QPushButton("S", &client);
        button->setGeometry(5, 90, 33, 21);
        Paint(button, Qt::green);
        client.show();

        QDir(temp.path()).mkpath("my shots");
        QDir(temp.path()).mkpath("program");
        request.clientArea = &client;
        request.hiddenWhileTaken = {check, button};
        request.imagePath = temp.filePath("my shots") + "/";
        request.inputFilePath = "/data/tavro_pass1.kss";
        request.programFolder = temp.filePath("program");
        hooks.setStatus = [this](const QString& text) { statuses.append(text); };
        hooks.information = [this](const QString& text, const QString& title) { messages.append(title + ": " + text); };
        savedPath = qgetenv("PATH");
    }
    void TearDown() override {
        qputenv("PATH", savedPath);
        tavro::SetWriteFaultForTesting(nullptr);
    }

    QString Bitmap() const { return request.imagePath + "tavro_pass1.bmp"; }

    QTemporaryDir temp;
    QWidget client;
    QLabel* label = nullptr;
    QCheckBox* check = nullptr;
    QPushButton* button = nullptr;
    ScreenshotRequest request;
    ScreenshotHooks hooks;
    QStringList statuses;
    QStringList messages;
    QByteArray savedPath;
};

TEST_F(ScreenshotTest, TheBitmapShowsTheClientAreaWithoutTheHiddenControls) {
    WriteStubConverter(request.programFolder);
    TakeScreenshot(request, hooks);

    QFile file(Bitmap());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << Bitmap().toStdString();
    const QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.size(), 30);
    EXPECT_EQ(bytes.left(2), "BM");
    EXPECT_EQ(static_cast<int>(bytes[28]), 24);  // bits per pixel

    const QImage image = QImage::fromData(bytes, "BMP");
    EXPECT_EQ(image.size(), client.size() * client.devicePixelRatio());
    for (QWidget* control : {static_cast<QWidget*>(check), static_cast<QWidget*>(button)}) {
        const QRect area = control->geometry();
        for (const QPoint& p : {area.topLeft(), area.center(), area.bottomRight()})
            EXPECT_EQ(image.pixelColor(p), kBackground) << control->metaObject()->className();
        EXPECT_TRUE(control->isVisible());
    }
    EXPECT_EQ(image.pixelColor(label->geometry().center()), kLabelColour);
    EXPECT_EQ(request.inputFilePath, "/data/tavro_pass1.kss");
}

TEST_F(ScreenshotTest, StartsTheConverterWithThePathAsOneArgument) {
    WriteStubConverter(request.programFolder);
    TakeScreenshot(request, hooks);

    const QStringList expected{"-out", "png", "-transpcolor", "240", "240", "240", "-colors", "256",
                               "-quiet", "-D", Bitmap()};
    EXPECT_EQ(ArgumentsWrittenIn(request.programFolder), expected);
    const QString png = request.imagePath + "tavro_pass1.png";
    EXPECT_EQ(statuses, QStringList({Bitmap() + " saved", png + " converted and saved"}));
    EXPECT_TRUE(messages.isEmpty());
}

struct ConverterPlace {
    const char* name;
    bool inProgramFolder;
    bool onPath;
    const char* runFrom;  // folder whose stub ran; empty: none
};

class ConverterSearchTest : public ScreenshotTest, public testing::WithParamInterface<ConverterPlace> {};

TEST_P(ConverterSearchTest, LooksInTheProgramFolderFirstThenOnThePath) {
    const ConverterPlace& place = GetParam();
    QDir(temp.path()).mkpath("bin");
    if (place.inProgramFolder) WriteStubConverter(request.programFolder);
    if (place.onPath) WriteStubConverter(temp.filePath("bin"));
    qputenv("PATH", temp.filePath("bin").toLocal8Bit());

    TakeScreenshot(request, hooks);

    if (*place.runFrom) {
        EXPECT_EQ(ArgumentsWrittenIn(temp.filePath(place.runFrom)).value(10), Bitmap());
        EXPECT_EQ(statuses.size(), 2);
        EXPECT_TRUE(messages.isEmpty());
    } else {
        EXPECT_EQ(messages, QStringList{"Error: nconvert.exe not found"});
        EXPECT_EQ(statuses, QStringList{Bitmap() + " saved"});
        EXPECT_TRUE(QFile::exists(Bitmap()));
    }
    EXPECT_TRUE(check->isVisible());
    EXPECT_TRUE(button->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Places, ConverterSearchTest,
                         testing::Values(ConverterPlace{"ProgramFolder", true, false, "program"},
                                         ConverterPlace{"Both", true, true, "program"},
                                         ConverterPlace{"PathOnly", false, true, "bin"},
                                         ConverterPlace{"Nowhere", false, false, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScreenshotTest, EmptyPathAndNoConverterShowsTheMessage) {
    qputenv("PATH", "");
    TakeScreenshot(request, hooks);
    EXPECT_EQ(messages, QStringList{"Error: nconvert.exe not found"});
    EXPECT_EQ(statuses, QStringList{Bitmap() + " saved"});
}

TEST_F(ScreenshotTest, AMissingFolderIsReportedAndNothingIsStarted) {
    WriteStubConverter(request.programFolder);
    request.imagePath = temp.filePath("missing") + "/";
    TakeScreenshot(request, hooks);

    ASSERT_EQ(statuses.size(), 1);  // the converter's message would follow
    EXPECT_TRUE(statuses[0].startsWith(request.imagePath + "tavro_pass1.bmp")) << statuses[0].toStdString();
    EXPECT_TRUE(statuses[0].contains("No such file or directory")) << statuses[0].toStdString();
    EXPECT_FALSE(statuses[0].endsWith(" saved"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(check->isVisible());
    EXPECT_TRUE(button->isVisible());
}

TEST_F(ScreenshotTest, AFailedWriteKeepsTheEarlierPicture) {
    {
        QFile earlier(Bitmap());
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier picture");
    }
    tavro::SetWriteFaultForTesting([](const std::string&) { return ENOSPC; });
    TakeScreenshot(request, hooks);

    ASSERT_EQ(statuses.size(), 1);
    EXPECT_TRUE(statuses[0].contains(Bitmap())) << statuses[0].toStdString();
    EXPECT_TRUE(statuses[0].contains("No space left on device")) << statuses[0].toStdString();
    QFile earlier(Bitmap());
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), "earlier picture");
    EXPECT_EQ(QDir(request.imagePath).entryList(QDir::Files | QDir::Hidden), QStringList{"tavro_pass1.bmp"});
}

TEST_F(ScreenshotTest, AControlHiddenBeforeStaysHidden) {
    button->hide();
    qputenv("PATH", "");
    TakeScreenshot(request, hooks);
    EXPECT_TRUE(check->isVisible());
    EXPECT_FALSE(button->isVisible());
}

struct NameCase {
    const char* name;
    const char* inputFilePath;
    const char* picture;
};

class PictureNameTest : public ScreenshotTest, public testing::WithParamInterface<NameCase> {};

TEST_P(PictureNameTest, NamesThePictureAfterTheInput) {
    qputenv("PATH", "");
    request.inputFilePath = GetParam().inputFilePath;
    TakeScreenshot(request, hooks);
    EXPECT_TRUE(QFile::exists(request.imagePath + GetParam().picture));
    EXPECT_EQ(statuses.value(0), request.imagePath + GetParam().picture + " saved");
    EXPECT_EQ(request.inputFilePath, GetParam().inputFilePath);
}

INSTANTIATE_TEST_SUITE_P(Cases, PictureNameTest,
                         testing::Values(NameCase{"NoInputYet", "", "tavro_.bmp"},
                                         NameCase{"LogFile", "/data/day1.log", "tavro_day1.bmp"},
                                         NameCase{"BlankAndPrefixedFolder", "/tavro_runs/pass 2.kss", "tavro_pass 2.bmp"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
