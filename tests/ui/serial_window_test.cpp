// The window on a serial TNC (a real pseudo-terminal): the dialog prefilled
// from conf.ini, the TNC port of conf.ini, records as they arrive, the
// device lost and the status line counting down, and a device that cannot
// be opened.
#include "serial_pty.h"
#include "window_test_support.h"

using namespace uitest;
using namespace std::chrono_literals;

TEST_F(WindowTest, SerialTncFromTheDialog) {
    tavro::test::Pty tnc;
    if (!tnc.Ok()) GTEST_SKIP() << "no pseudo-terminal: /dev/ptmx cannot be opened here";
    const QString link = Path("usb-TNC-if00-port0");
    QFile::link(QString::fromStdString(tnc.SlavePath()), link);
    const std::string conf = "# my TNC\nKISS_SERIAL=" + link.toStdString() + "\nKISS_SERIAL_BAUD=19200\nKISS_TNC_PORT=2\n";
    WriteBytes(Path("conf.ini"), conf);
    MakeWindow();
    QString offered, offeredBaud;
    window->ExecDialog = [&](QDialog& dialog) {
        auto* device = dialog.findChild<QComboBox*>(QStringLiteral("device"));
        auto* baud = dialog.findChild<QComboBox*>(QStringLiteral("baud"));
        offered = device->currentText(), offeredBaud = baud->currentText();
        baud->setCurrentText(QStringLiteral("115200"));
        return int(QDialog::Accepted);
    };
    ui().connectSerialAction->trigger();
    EXPECT_EQ(ui().connectSerialAction->text(), QStringLiteral("Connect to serial TNC…"));
    EXPECT_EQ(offered, link);
    EXPECT_EQ(offeredBaud, "19200");
    ASSERT_TRUE(window->Connected());
    // The new rate is remembered, every other line kept, the file private.
    EXPECT_EQ(ReadAll(Path("conf.ini")).toStdString(),
              "# my TNC\nKISS_SERIAL=" + link.toStdString() + "\nKISS_SERIAL_BAUD=115200\nKISS_TNC_PORT=2\n");
    EXPECT_EQ(QFile::permissions(Path("conf.ini")) & 0x7777, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                 QFileDevice::ReadUser | QFileDevice::WriteUser);
    EXPECT_FALSE(ui().connectSerialAction->isEnabled());
    EXPECT_FALSE(ui().connectAction->isEnabled());
    ASSERT_TRUE(Until([&] { return ui().statusLine->text().contains(" connected;"); })) << ui().statusLine->text().toStdString();

    // Port 2 of a multi-port TNC: its data frames are records, port 0's are not.
    tnc.Write(tavro::test::Cat({tavro::test::HkOnPort(2, 7), tavro::test::HkOnPort(0, 8), tavro::test::HkOnPort(2, 9)}));
    ASSERT_TRUE(Until([&] { return window->Engine().StreamReport().frames == 3; }));
    EXPECT_EQ(tavro::test::Packets(window->Engine()), (std::vector<double>{7, 9}));
    EXPECT_EQ(ui().recordCounter->text(), "#2 / 2");

    tnc.Close();  // unplugged
    ASSERT_TRUE(Until([&] { return ui().statusLine->text().contains("trying again"); }));
    EXPECT_TRUE(ui().statusLine->text().startsWith(link + " device lost, trying again in 1 s; 3 frames, 2 records"))
        << ui().statusLine->text().toStdString();
    EXPECT_TRUE(window->Connected());  // still, until the user disconnects
    EXPECT_TRUE(messages.isEmpty());
    window->OnDisconnect();
    EXPECT_TRUE(ui().statusLine->text().startsWith(link + " disconnected; 3 frames, 2 records"));
    EXPECT_TRUE(ui().connectSerialAction->isEnabled());
}

// Missing at the start: a message says why, and the window is not left waiting.
TEST_F(WindowTest, SerialDeviceMissing) {
    WriteBytes(Path("conf.ini"), std::string());  // the conf.ini beside the program is the one written
    MakeWindow();
    window->ConnectToSerial(QStringLiteral("/dev/ttyUSB-tavro-missing"), 9600);
    ASSERT_TRUE(Until([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList{"TAVRO Telemetry Decoder: Cannot open /dev/ttyUSB-tavro-missing: No such file or directory"});
    EXPECT_FALSE(window->Connected());
    EXPECT_TRUE(ui().connectSerialAction->isEnabled());
    EXPECT_TRUE(ui().openKissAction->isEnabled());
    // Remembered all the same, for the dialog of the next try.
    EXPECT_EQ(ReadAll(Path("conf.ini")), "KISS_SERIAL=/dev/ttyUSB-tavro-missing\nKISS_SERIAL_BAUD=9600\n");
}
