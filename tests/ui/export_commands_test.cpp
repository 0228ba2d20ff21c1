// "Write CSV File" and "Write TLM File" from the window: names, contents
// against the records on display, messages, the locale's separator, failures.
#include <QScrollBar>

#include "atomic_file.h"
#include "window_test_support.h"

namespace {

using namespace uitest;

QStringList Lines(const QString& path) {
    QStringList lines = QString::fromLatin1(ReadAll(path)).split(QStringLiteral("\r\n"));
    return lines.mid(0, lines.size() - 1);  // nothing after the last line end
}

TEST_F(WindowTest, BothFilesBesideTheInput) {
    window->DecimalSeparator = ',';
    Load("pass1.kss", 3);
    window->HScroll1->setValue(2);
    window->WriteCSVFile->trigger();
    EXPECT_EQ(window->Text4->text(), Path("pass1.csv") + " has been written");
    QStringList lines = Lines(Path("pass1.csv"));
    ASSERT_EQ(lines.size(), 4);  // a header and every record, whatever is on display
    EXPECT_TRUE(lines[0].startsWith("OPS mode;Boot cnt;Packet cnt;Uptime;Cmd rx;Cmd valid;"));
    EXPECT_TRUE(lines[2].startsWith("3,00;0,00;0,00;91,00;0,00;11,00;31,00;3724,00;0,00;0,00;79,00;")) << lines[2].toStdString();
    EXPECT_EQ(lines[2].count(';'), 47);

    window->WriteTLMFile->trigger();
    EXPECT_EQ(window->Text4->text(), Path("pass1.tlm") + " has been written");
    lines = Lines(Path("pass1.tlm"));
    ASSERT_EQ(lines.size(), 26);
    EXPECT_EQ(lines[0], "TAVRO Telemetry Decoder (QX0QX)");
    EXPECT_EQ(lines[3], "OPS mode            3                    |  Boot cnt            0                 ");
    EXPECT_EQ(lines[6], "validity bits       &H1F                 |  Sat Time            0d 01:02:04s       ");
    EXPECT_EQ(lines[8], "Batt voltage        79,00     V          |  tot sys curr        0,00      A       ");
}

TEST_F(WindowTest, FailedExportKeepsThePreviousFile) {
    Load("pass1.kss", 2);
    for (const char* name : {"pass1.csv", "pass1.tlm"}) WriteBytes(Path(name), std::string("previous\r\n"));
    tavro::SetWriteFaultForTesting([](const std::string&) { return 28; });  // ENOSPC
    window->WriteCSVFile_Click();
    const QString csvText = window->Text4->text();
    window->WriteTLMFile_Click();
    tavro::SetWriteFaultForTesting(nullptr);
    EXPECT_EQ(csvText, Path("pass1.csv") + " could not be written: No space left on device");
    EXPECT_EQ(window->Text4->text(), Path("pass1.tlm") + " could not be written: No space left on device");
    for (const char* name : {"pass1.csv", "pass1.tlm"}) EXPECT_EQ(ReadAll(Path(name)), "previous\r\n");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 3);  // no temporary file left

    window->Store().InputFilePath = Path("gone/pass1.kss").toStdString();
    window->WriteCSVFile_Click();
    EXPECT_EQ(window->Text4->text(), Path("gone/pass1.csv") + " could not be written: No such file or directory");
}

}  // namespace

TAVRO_UI_TEST_MAIN()
