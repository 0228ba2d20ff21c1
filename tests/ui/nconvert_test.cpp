// The bundled converter, run as a program on bitmaps made here.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace {

const QRgb kBackground = qRgb(240, 240, 240);
const QStringList kScreenshotOptions{"-out", "png", "-transpcolor", "240", "240", "240", "-colors", "256", "-quiet", "-D"};

struct ConverterRun {
    int exitCode = -1;
    QString errors;
    QString output;
};

ConverterRun Nconvert(const QStringList& arguments) {
    QProcess process;
    process.start(QString(TAVRO_BIN_DIR) + "/nconvert", arguments);
    ConverterRun run;
    if (!process.waitForFinished(60000)) {
        run.errors = "nconvert did not run: " + process.errorString();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    run.output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return run;
}

// The window's background with a red and a blue box and one green pixel.
QImage Window() {
    QImage image(64, 40, QImage::Format_RGB32);
    image.fill(kBackground);
    for (int y = 5; y < 15; ++y)
        for (int x = 4; x < 20; ++x) image.setPixel(x, y, qRgb(255, 0, 0));
    for (int y = 20; y < 35; ++y)
        for (int x = 30; x < 60; ++x) image.setPixel(x, y, qRgb(0, 0, 128));
    image.setPixel(63, 39, qRgb(0, 255, 1));
    return image;
}

// colours distinct colours besides the background: (i, 255 - i, i / 2).
QImage Rich(int colours) {
    QImage image(colours + 10, 8, QImage::Format_RGB32);
    image.fill(kBackground);
    for (int x = 0; x < colours; ++x)
        for (int y = 2; y < 8; ++y) image.setPixel(x, y, qRgb(x % 256, 255 - (x * 7) % 256, (x / 256) * 40));
    return image;
}

QSet<QRgb> ColoursOf(const QImage& image) {
    QSet<QRgb> colours;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) colours.insert(argb.pixel(x, y));
    return colours;
}

class NconvertTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(temp.isValid()); }

    QString Save(const QImage& image, const QString& name) {
        const QString path = temp.filePath(name);
        EXPECT_TRUE(image.convertToFormat(QImage::Format_RGB888).save(path, "BMP"));
        return path;
    }
    QStringList FilesHere() const { return QDir(temp.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir temp;
};

TEST_F(NconvertTest, BackgroundBecomesTransparentAndOtherColoursStayExact) {
    const QImage original = Window();
    const QString bitmap = Save(original, "tavro_pass1.bmp");
    const ConverterRun run = Nconvert(kScreenshotOptions + QStringList{bitmap});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.isEmpty());
    EXPECT_TRUE(run.output.isEmpty());  // -quiet

    const QImage png(temp.filePath("tavro_pass1.png"));
    ASSERT_EQ(png.size(), original.size());
    for (int y = 0; y < png.height(); ++y) {
        for (int x = 0; x < png.width(); ++x) {
            const QRgb in = original.pixel(x, y);
            const QRgb out = png.pixel(x, y);
            if (in == kBackground) {
                ASSERT_EQ(qAlpha(out), 0) << x << "," << y;
            } else {
                ASSERT_EQ(out, in) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(FilesHere(), QStringList{"tavro_pass1.png"});  // -D removed the bitmap
}

struct ReductionCase {
    int colours;   // in the picture besides the background
    int limit;     // -colors
    int maxError;  // largest difference in one of red, green, blue; 0: every colour kept
};

class ReductionTest : public NconvertTest, public testing::WithParamInterface<ReductionCase> {};

TEST_P(ReductionTest, KeepsAtMostTheGivenNumberOfColours) {
    const ReductionCase& c = GetParam();
    const QImage original = Rich(c.colours);
    const QString bitmap = Save(original, "rich.bmp");
    const ConverterRun run = Nconvert({"-out", "png", "-colors", QString::number(c.limit), "-transpcolor", "240", "240",
                              "240", "-quiet", bitmap});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();

    const QImage png(temp.filePath("rich.png"));
    ASSERT_EQ(png.size(), original.size());
    EXPECT_LE(ColoursOf(png).size(), c.limit);
    int worst = 0;
    for (int y = 0; y < png.height(); ++y) {
        for (int x = 0; x < png.width(); ++x) {
            const QRgb in = original.pixel(x, y), out = png.pixel(x, y);
            if (in == kBackground) {
                ASSERT_EQ(qAlpha(out), 0);
                continue;
            }
            ASSERT_EQ(qAlpha(out), 255);
            worst = std::max({worst, std::abs(qRed(in) - qRed(out)), std::abs(qGreen(in) - qGreen(out)),
                              std::abs(qBlue(in) - qBlue(out))});
        }
    }
    EXPECT_LE(worst, c.maxError);  // only similar colours share an entry
    EXPECT_TRUE(QFile::exists(bitmap));  // no -D
}

INSTANTIATE_TEST_SUITE_P(Cases, ReductionTest,
                         testing::Values(ReductionCase{255, 256, 0}, ReductionCase{15, 16, 0},
                                         ReductionCase{256, 256, 8}, ReductionCase{1000, 256, 32},
                                         ReductionCase{600, 16, 96}, ReductionCase{50, 2, 255}),
                         [](const auto& info) {
                             return std::to_string(info.param.colours) + "ColoursTo" + std::to_string(info.param.limit);
                         });

TEST_F(NconvertTest, TheSamePictureGivesTheSameFile) {
    const QString bitmap = Save(Rich(900), "rich.bmp");
    ASSERT_EQ(Nconvert({"-colors", "64", bitmap}).exitCode, 0);
    QFile first(temp.filePath("rich.png"));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    const QByteArray bytes = first.readAll();
    first.close();
    ASSERT_EQ(Nconvert({"-colors", "64", bitmap}).exitCode, 0);
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), bytes);
}

TEST_F(NconvertTest, OptionsInAnyOrderAndAFileNameWithBlanks) {
    const QString bitmap = Save(Window(), "my pass 1.bmp");
    const ConverterRun run = Nconvert({"-D", "-quiet", "-colors", "256", "-transpcolor", "240", "240", "240", "-out", "png", bitmap});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(FilesHere(), QStringList{"my pass 1.png"});
}

TEST_F(NconvertTest, SeveralFilesInOneRun) {
    const QString a = Save(Window(), "a.bmp");
    const QString b = Save(Rich(10), "b.bmp");
    const ConverterRun run = Nconvert({"-out", "png", a, b});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_EQ(FilesHere(), QStringList({"a.bmp", "a.png", "b.bmp", "b.png"}));
    EXPECT_TRUE(run.output.contains("a.png"));  // without -quiet it says what it did
}

TEST_F(NconvertTest, AMissingFileFailsButTheOthersAreConverted) {
    const QString good = Save(Window(), "good.bmp");
    const QString missing = temp.filePath("missing.bmp");
    const ConverterRun run = Nconvert(kScreenshotOptions + QStringList{missing, good});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains(missing)) << run.errors.toStdString();  // also with -quiet
    EXPECT_EQ(FilesHere(), QStringList{"good.png"});
}

TEST_F(NconvertTest, AnUnreadableFileIsKeptWithDelete) {
    const QString bad = temp.filePath("bad.bmp");
    {
        QFile file(bad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("BM this is no bitmap");
    }
    const ConverterRun run = Nconvert(kScreenshotOptions + QStringList{bad});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains(bad)) << run.errors.toStdString();
    EXPECT_EQ(FilesHere(), QStringList{"bad.bmp"});
}

TEST_F(NconvertTest, APngThatCannotBeWrittenKeepsTheSource) {
    const QString bitmap = Save(Window(), "shot.bmp");
    ASSERT_TRUE(QDir(temp.path()).mkdir("shot.png"));  // a folder where the PNG would go
    const ConverterRun run = Nconvert(kScreenshotOptions + QStringList{bitmap});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains("shot.png")) << run.errors.toStdString();
    EXPECT_TRUE(QFile::exists(bitmap));
    EXPECT_EQ(FilesHere(), QStringList{"shot.bmp"});  // no half PNG or temporary file
}

std::string BadCommandLineName(const testing::TestParamInfo<QStringList>& info) {
    const char* names[] = {"UnknownOption",       "OtherFormat",     "TooManyColours",      "ColoursNoNumber",
                           "ColourValueTooLarge", "TwoColourValues", "ColoursWithoutNumber"};
    return names[info.index];
}

class BadCommandLineTest : public NconvertTest, public testing::WithParamInterface<QStringList> {};

TEST_P(BadCommandLineTest, IsRefusedAndTouchesNothing) {
    const QString bitmap = Save(Window(), "shot.bmp");
    const ConverterRun run = Nconvert(GetParam() + QStringList{bitmap});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_FALSE(run.errors.isEmpty());
    EXPECT_EQ(FilesHere(), QStringList{"shot.bmp"});
}

INSTANTIATE_TEST_SUITE_P(Cases, BadCommandLineTest,
                         testing::Values(QStringList{"-quiet", "-x", "-D"}, QStringList{"-out", "jpg", "-D"},
                                         QStringList{"-D", "-colors", "1000"}, QStringList{"-D", "-colors", "many"},
                                         QStringList{"-D", "-transpcolor", "240", "240", "256"},
                                         QStringList{"-D", "-transpcolor", "240", "240"}, QStringList{"-D", "-colors"}),
                         BadCommandLineName);

TEST_F(NconvertTest, UnknownOptionIsNamed) {
    const ConverterRun run = Nconvert({"-quiet", "-resize", "file.bmp"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains("unknown option -resize")) << run.errors.toStdString();
}

TEST_F(NconvertTest, NoFileIsAnError) {
    const ConverterRun run = Nconvert(kScreenshotOptions);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_FALSE(run.errors.isEmpty());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
