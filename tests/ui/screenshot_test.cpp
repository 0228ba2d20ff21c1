// The "S" button: what the bitmap shows, where it goes, how the converter is
// started and what the status line and message boxes say.
#include "window_test_support.h"

using namespace uitest;

struct ShotCase {
    const char *name, *stubFolder, *imageFolder;  // a stub converter's and IMAGE_PATH's folders; nullptr: none
    QStringList statuses, messages;               // %1: the picture's path without ".bmp"
};

static void PrintTo(const ShotCase& c, std::ostream* os) { *os << c.name; }

struct Screenshot : WindowTest, public testing::WithParamInterface<ShotCase> {
    void TearDown() override { qputenv("PATH", savedPath); }
    // Writes its arguments, one a line, into arguments.txt beside itself.
    void WriteStubConverter(const QString& dir) {
        QDir().mkpath(dir);
        const QString path = QDir(dir).filePath("nconvert");
        WriteBytes(path, std::string("#!/bin/sh\nPATH=/usr/bin:/bin\ncd \"$(dirname \"$0\")\"\n"
                                     "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > a.tmp && mv a.tmp arguments.txt\n"));
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QImage Client() const { return ui().clientArea->grab().toImage().convertToFormat(QImage::Format_RGB888); }
    const QByteArray savedPath = qgetenv("PATH");
};

TEST_P(Screenshot, Command1) {
    const ShotCase& c = GetParam();
    QDir(folder.path()).mkdir("my shots");
    if (c.imageFolder) WriteBytes(Path("conf.ini"), "IMAGE_PATH=" + Path(c.imageFolder).toStdString() + "\n");
    if (c.stubFolder) WriteStubConverter(Path(c.stubFolder));
    qputenv("PATH", QFile::encodeName(Path("bin")));
    MakeWindow();
    Load("pass1.kss", 60);
    Show();
    QStringList statuses;
    QObject::connect(ui().statusLine, &QLineEdit::textChanged, [&statuses](const QString& text) { statuses << text; });
    const QList<QWidget*> controls{ui().barsCheck, ui().screenshotButton};
    for (QWidget* control : controls) control->hide();
    const QImage bare = Client();
    for (QWidget* control : controls) control->show();
    const QImage full = Client();

    ui().screenshotButton->click();

    const QString bitmap = window->ImagePath() + "tavro_pass1.bmp";
    EXPECT_EQ(statuses.join('\n'), c.statuses.join('\n').arg(window->ImagePath() + "tavro_pass1"));
    EXPECT_EQ(messages, c.messages);
    EXPECT_TRUE(ui().barsCheck->isVisible() && ui().screenshotButton->isVisible());
    EXPECT_EQ(window->Engine().InputFilePath(), Path("pass1.kss").toStdString());
    if (!statuses.value(0).endsWith(" saved")) return;
    const QByteArray bytes = ReadAll(bitmap);
    EXPECT_EQ(bytes.left(2) + bytes.mid(28, 1), QByteArray("BM\x18"));  // 24 bits per pixel
    const QImage picture = QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(picture.size(), ui().clientArea->size() * window->devicePixelRatio());
    EXPECT_EQ(picture, bare);
    for (QWidget* control : controls) {
        const QRect place(control->mapTo(ui().clientArea, QPoint(0, 0)), control->size());
        EXPECT_NE(picture.copy(place), full.copy(place)) << control->objectName().toStdString();
        EXPECT_EQ(picture.pixelColor(place.center()), QColor(240, 240, 240)) << control->objectName().toStdString();
    }
    if (!c.stubFolder) return;
    const QString arguments = QDir(Path(c.stubFolder)).filePath("arguments.txt");
    for (int i = 0; i < 1500 && !QFile::exists(arguments); ++i) QThread::msleep(20);  // it runs on its own
    EXPECT_EQ(QString::fromUtf8(ReadAll(arguments)).split('\n', Qt::SkipEmptyParts),
              (QStringList{"-out", "png", "-transpcolor", "240", "240", "240", "-colors", "256", "-quiet", "-D", bitmap}));
}

const QStringList kConverted{"%1.bmp saved", "%1.png converted and saved"};
INSTANTIATE_TEST_SUITE_P(Cases, Screenshot,
                         testing::Values(ShotCase{"BesideTheProgram", ".", "my shots/", kConverted, {}},
                                         ShotCase{"OnPath", "bin", "my shots", kConverted, {}},
                                         ShotCase{"NoConverter", nullptr, nullptr, {"%1.bmp saved"},
                                                  {"Error: nconvert.exe not found"}},
                                         ShotCase{"MissingImageFolder", ".", "missing/",
                                                  {"%1.bmp could not be saved: No such file or directory"}, {}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct Picture : WindowTest {
    void SetUp() override {
        WindowTest::SetUp();
        Load("pass1.kss", 60);
        Show();
        QApplication::setActiveWindow(window.get());  // focus as on a desktop
        QApplication::processEvents();
    }
    QImage Taken() { return QImage::fromData(ReadAll(window->ImagePath() + "tavro_pass1.bmp"), "BMP"); }
};

TEST_F(Picture, NoSelectionNoFocusFrameAndTheFocusStays) {
    ui().screenshotButton->setFocus(Qt::MouseFocusReason);  // as a click gives it
    ASSERT_EQ(QApplication::focusWidget(), ui().screenshotButton);
    ui().screenshotButton->click();
    const QImage picture = Taken();
    ASSERT_FALSE(picture.isNull());
    const QColor highlight = ui().statusLine->palette().color(QPalette::Active, QPalette::Highlight);
    int selected = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) selected += picture.pixelColor(x, y) == highlight;
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(QApplication::focusWidget(), ui().screenshotButton);
    EXPECT_FALSE(ui().statusLine->hasSelectedText() || ui().recordCounter->hasSelectedText());
}

// A screenshot never replaces a picture: the next free NAME-2, NAME-3, ..., bitmap and PNG alike.
TEST_F(Picture, ASecondScreenshotTakesTheNextName) {
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(Path("bin")));  // no converter: each bitmap stays
    const QString stem = window->ImagePath() + "tavro_pass1";
    WriteBytes(stem + "-3.png", std::string("an earlier picture"));
    const struct { int record; const char* written; } shots[] = {{10, ""}, {60, "-2"}, {30, "-4"}};
    for (const auto& shot : shots) {
        ui().recordScroll->setValue(shot.record);
        const tavro::ui::ScreenshotResult result = window->OnScreenshot();
        EXPECT_EQ(result.bitmap, stem + shot.written + ".bmp");
        EXPECT_EQ(ui().statusLine->text(), stem + shot.written + ".bmp saved");
    }
    EXPECT_EQ(QDir(window->ImagePath()).entryList({"tavro_pass1*"}),
              (QStringList{"tavro_pass1-2.bmp", "tavro_pass1-3.png", "tavro_pass1-4.bmp", "tavro_pass1.bmp"}));
    EXPECT_EQ(ReadAll(stem + "-3.png"), "an earlier picture");
    EXPECT_NE(ReadAll(stem + ".bmp"), ReadAll(stem + "-2.bmp"));  // record 10, then record 60
    qputenv("PATH", path);
}

TEST_F(Picture, AGrownWindowGrowsItsChartAndIsPicturedWhole) {
    const QSize frame = ui().chartFrame->size();
    window->resize(window->size() + QSize(200, 100));
    QApplication::processEvents();
    EXPECT_EQ(ui().clientArea->size(), QSize(890, 742));
    EXPECT_EQ(ui().chartFrame->size(), frame + QSize(200, 100));
    EXPECT_EQ(ui().chart->Plot()->size(), QSize(849, 389));
    EXPECT_EQ(ui().screenshotButton->geometry(), QRect(8, 708, 33, 21));  // the bottom row follows the bottom edge
    EXPECT_EQ(ui().valueBoxes[40]->geometry(), QRect(561, 104, 72, 19));  // the grid stays
    // The status line (427 px before) and the scroll bar (89 px) share the extra width; the counter keeps its own.
    const QRect status = ui().statusLine->geometry(), counter = ui().recordCounter->geometry(), scroll = ui().recordScroll->geometry();
    EXPECT_EQ(std::tuple(status.width(), counter.width(), scroll.width()), std::tuple(527, 87, 189));
    EXPECT_EQ(std::tuple(counter.left() - status.right(), scroll.left() - counter.right(), 890 - scroll.right()),
              std::tuple(16, 16, 10));
    ui().screenshotButton->click();
    EXPECT_EQ(Taken().size(), QSize(890, 742) * window->devicePixelRatio());
    window->resize(300, 200);  // no smaller than the layout
    QApplication::processEvents();
    EXPECT_EQ(ui().clientArea->size(), QSize(690, 642));
}

// tavro-decoder past a file-size limit (ulimit -f; SIGXFSZ not ignored by
// its starter): the picture that does not fit is a failed save, exit status
// 1 with the reason, not an end by signal.
TEST_F(WindowTest, FileSizeLimitFailsTheScreenshotAndTheProgramEnds) {
    QDir(folder.path()).mkpath("config/tavro"), QDir(folder.path()).mkpath("shots");
    WriteBytes(Path("config/tavro/conf.ini"), "IMAGE_PATH=" + Path("shots").toStdString() + "/\nARCHIVE=0\n");
    const std::string environment = "XDG_CONFIG_HOME='" + Path("config").toStdString() + "' QT_QPA_PLATFORM=offscreen ";
    const auto run = tavro::test::RunProgram({TAVRO_BIN_DIR "/tavro-decoder", "--screenshot", TAVRO_SOURCE_DIR "/examples/pass.kss"},
                                             "ulimit -f 8; " + environment);  // 4 KB
    EXPECT_FALSE(run.signaled) << "signal " << run.signal;
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_THAT(run.err, testing::HasSubstr("tavro-decoder: " + Path("shots").toStdString() + "/tavro_pass.bmp could not be saved: File too large"));
    EXPECT_EQ(run.out, "");
}
