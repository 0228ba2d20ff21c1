// The bundled converter, run as a program on bitmaps made here.
#include "window_test_support.h"

const QRgb kBackground = qRgb(240, 240, 240);
const QStringList kScreenshotOptions{"-out", "png", "-transpcolor", "240", "240", "240", "-colors", "256", "-quiet", "-D"};

struct Nconvert : testing::Test {
    // Runs the converter in the temporary folder; true if it succeeded.
    bool Run(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(temp.path());
        process.start(QString(TAVRO_BIN_DIR) + "/nconvert", arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        errors = QString::fromLocal8Bit(process.readAllStandardError() + process.readAllStandardOutput());
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    // The background with `colours` distinct colours in it.
    QImage Save(const QString& name, int colours = 3) {
        QImage image(colours + 10, 8, QImage::Format_RGB888);
        image.fill(kBackground);
        for (int x = 0; x < colours; ++x)
            for (int y = 2; y < 8; ++y) image.setPixel(x, y, qRgb(x % 256, 255 - (x * 7) % 256, (x / 256) * 40));
        EXPECT_TRUE(image.save(temp.filePath(name), "BMP"));
        return image;
    }
    QStringList Files() const { return QDir(temp.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir temp;
    QString errors;  // and other output
};

TEST_F(Nconvert, ColoursAndTransparency) {
    // maxError: the largest difference in red, green or blue; 0: every colour exact.
    const struct { int colours, limit, maxError; } cases[] = {
        {3, 256, 0}, {255, 256, 0}, {15, 16, 0}, {1000, 256, 32}, {600, 16, 96}, {50, 2, 255}};
    for (const auto& c : cases) {
        const QImage original = Save("rich.bmp", c.colours);
        ASSERT_TRUE(Run({"-out", "png", "-colors", QString::number(c.limit), "-transpcolor", "240", "240", "240", "-quiet",
                         "rich.bmp"})) << errors.toStdString();
        const QImage png = QImage(temp.filePath("rich.png")).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(png.size(), original.size());
        QSet<QRgb> colours;
        int worst = 0;
        for (int y = 0; y < png.height(); ++y) {
            for (int x = 0; x < png.width(); ++x) {
                const QRgb in = original.pixel(x, y), out = png.pixel(x, y);
                colours.insert(out);
                ASSERT_EQ(qAlpha(out), in == kBackground ? 0 : 255) << x << "," << y;
                for (int d : {qRed(in) - qRed(out), qGreen(in) - qGreen(out), qBlue(in) - qBlue(out)})
                    worst = std::max(worst, in == kBackground ? 0 : std::abs(d));
            }
        }
        EXPECT_LE(colours.size(), c.limit) << c.colours;
        EXPECT_LE(worst, c.maxError) << c.colours;
        EXPECT_EQ(Files(), (QStringList{"rich.bmp", "rich.png"}));  // kept without -D
    }
}

// The source goes with -D and only on success; failures name their cause.
TEST_F(Nconvert, DeleteOptionAndFailures) {
    const QStringList untouched{"bad.bmp", "my shot.bmp", "taken.bmp"}, converted{"bad.bmp", "my shot.png", "taken.bmp"};
    // named: in the error output; files: afterwards
    const struct { QStringList arguments; bool ok; const char* named; QStringList files; } cases[] = {
        {{"-D", "-quiet", "-colors", "256", "-transpcolor", "240", "240", "240", "-out", "png", "my shot.bmp"}, true, "",
         converted},  // options in any order
        {kScreenshotOptions + QStringList{"missing.bmp", "my shot.bmp"}, false, "missing.bmp", converted},
        {kScreenshotOptions + QStringList{"bad.bmp"}, false, "bad.bmp", untouched},
        {kScreenshotOptions + QStringList{"taken.bmp"}, false, "taken.png", untouched},  // the PNG cannot be written
        {{"-quiet", "-resize", "-D", "my shot.bmp"}, false, "unknown option -resize", untouched},
        {{"-D", "-colors", "1000", "my shot.bmp"}, false, "1000", untouched},
        {kScreenshotOptions, false, "", untouched},  // no file
    };
    QDir(temp.path()).mkdir("taken.png");  // a folder where the PNG would go
    for (const auto& c : cases) {
        for (const QString& name : Files()) QFile::remove(temp.filePath(name));
        Save("my shot.bmp");
        Save("taken.bmp");
        uitest::WriteBytes(temp.filePath("bad.bmp"), std::string("BM this is no bitmap"));
        const std::string what = c.arguments.join(' ').toStdString();
        EXPECT_EQ(Run(c.arguments), c.ok) << what;
        EXPECT_EQ(errors.isEmpty(), c.ok) << what;  // also with -quiet
        EXPECT_TRUE(errors.contains(c.named)) << errors.toStdString();
        EXPECT_EQ(Files(), c.files) << what;
    }
}
