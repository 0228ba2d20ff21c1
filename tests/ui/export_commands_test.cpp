// "Write CSV File" and "Write TLM File" from the window: file names, contents
// against the record on display, messages, the locale's separator, failures.
#include <QLineEdit>
#include <QScrollBar>

#include "atomic_file.h"
#include "csv_writer.h"
#include "tlm_writer.h"
#include "window_test_support.h"

namespace {

using namespace uitest;

QStringList Lines(const QByteArray& bytes) {
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
    return lines;
}

class ExportCommands : public WindowTest {
protected:
    void LoadCapture(int records) {
        WriteBytes(Path("pass1.kss"), KissCapture(records));
        window->OpenFiles({Path("pass1.kss")});
    }
    void TearDown() override { tavro::SetWriteFaultForTesting(nullptr); }
};

TEST_F(ExportCommands, NoInputFileYet) {
    window->WriteCSVFile_Click();
    EXPECT_EQ(window->Text4->text(), "no input file");
    window->Text4->clear();
    window->WriteTLMFile_Click();
    EXPECT_EQ(window->Text4->text(), "no input file");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{});
}

TEST_F(ExportCommands, CsvHoldsEveryRecord) {
    LoadCapture(3);
    window->WriteCSVFile->trigger();
    EXPECT_EQ(window->Text4->text(), Path("pass1.csv") + " has been written");
    const QStringList lines = Lines(ReadAll(Path("pass1.csv")));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith("OPS mode;Boot cnt;Packet cnt;Uptime;Cmd rx;Cmd valid;"));
    EXPECT_TRUE(lines[0].endsWith("MIPS whole;SMDH sample;SMDH diff cnt;"));
    // Record 2: OPS mode 3, Uptime 91, Cmd valid 11, validity 31, Sat Time 3724, Batt voltage 79.
    EXPECT_TRUE(lines[2].startsWith("3.00;0.00;0.00;91.00;0.00;11.00;31.00;3724.00;0.00;0.00;79.00;")) << lines[2].toStdString();
    EXPECT_EQ(lines[2].count(';'), 47);
    EXPECT_EQ(Lines(ReadAll(Path("pass1.csv"))), Lines(QByteArray::fromStdString(tavro::CsvText(window->Store().table, '.'))));
}

TEST_F(ExportCommands, CsvUsesTheLocaleSeparator) {
    window->DecimalSeparator = ',';
    LoadCapture(1);
    window->WriteCSVFile_Click();
    const QStringList lines = Lines(ReadAll(Path("pass1.csv")));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith("4,00;0,00;0,00;90,00;0,00;10,00;31,00;3723,00;0,00;0,00;39,50;")) << lines[1].toStdString();
}

TEST_F(ExportCommands, TlmReportsTheRecordOnDisplay) {
    LoadCapture(3);
    window->HScroll1->setValue(2);
    window->WriteTLMFile->trigger();
    EXPECT_EQ(window->Text4->text(), Path("pass1.tlm") + " has been written");
    const QStringList lines = Lines(ReadAll(Path("pass1.tlm")));
    ASSERT_EQ(lines.size(), 26);
    EXPECT_EQ(lines[0], "TAVRO Telemetry Decoder (QX0QX)");
    EXPECT_EQ(lines[1], QString(52, QLatin1Char('=')));
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "OPS mode            3                    |  Boot cnt            0                 ");
    EXPECT_EQ(lines[4], "Packet cnt          0                    |  Uptime              91        s       ");
    EXPECT_EQ(lines[6], "validity bits       &H1F                 |  Sat Time            0d 01:02:04s       ");
    EXPECT_EQ(lines[8], "Batt voltage        79.00     V          |  tot sys curr        0.00      A       ");
    EXPECT_FALSE(ReadAll(Path("pass1.tlm")).contains("SMDH diff cnt"));
}

TEST_F(ExportCommands, TlmFollowsTheScrollBar) {
    LoadCapture(3);
    window->HScroll1->setValue(3);
    window->WriteTLMFile_Click();
    EXPECT_TRUE(Lines(ReadAll(Path("pass1.tlm")))[3].startsWith("OPS mode            norm      "));
}

TEST_F(ExportCommands, FailedExportKeepsThePreviousFile) {
    LoadCapture(2);
    WriteBytes(Path("pass1.csv"), std::string("previous\r\n"));
    WriteBytes(Path("pass1.tlm"), std::string("previous\r\n"));
    tavro::SetWriteFaultForTesting([](const std::string&) { return 28; });  // ENOSPC
    window->WriteCSVFile_Click();
    EXPECT_EQ(window->Text4->text(), Path("pass1.csv") + " could not be written: No space left on device");
    window->WriteTLMFile_Click();
    EXPECT_EQ(window->Text4->text(), Path("pass1.tlm") + " could not be written: No space left on device");
    EXPECT_EQ(ReadAll(Path("pass1.csv")), "previous\r\n");
    EXPECT_EQ(ReadAll(Path("pass1.tlm")), "previous\r\n");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 3);  // no temporary file left
}

TEST_F(ExportCommands, MissingFolderIsReported) {
    LoadCapture(1);
    window->Store().InputFilePath = Path("gone/pass1.kss").toStdString();
    window->WriteCSVFile_Click();
    EXPECT_EQ(window->Text4->text(), Path("gone/pass1.csv") + " could not be written: No such file or directory");
}

}  // namespace

TAVRO_UI_TEST_MAIN()
