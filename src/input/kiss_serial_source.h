// A TNC on a serial line (a hardware TNC, a radio with a built-in TNC, a
// Bluetooth TNC): /dev/ttyUSB0, /dev/ttyACM0, /dev/rfcomm0 or a link in
// /dev/serial/by-id/. The line is set raw: 8 data bits, no parity, 1 stop
// bit, no flow control unless RTS/CTS is asked for, at 1200 to 115200 baud.
//
// After opening, the init text goes to the TNC once, before anything is
// read (a TNC that starts in command mode is put into KISS mode):
//   KISS ON\rRESTART\r\w    -> "KISS ON" CR "RESTART" CR, then a 1 s pause
//   \r CR   \n LF   \w one-second pause   \\ a backslash; any other "\x" stays as written
// What the TNC answers before its first FEND is junk to the KISS reader.
//
// A device that disappears (USB unplugged, Bluetooth out of range) or fails
// is "device lost"; with reconnecting on it is opened again on the reconnect
// schedule, init text and all. A device that cannot be opened says why; for
// a permission it says how to get it (the dialout group).
#pragma once

#include <string>
#include <vector>

#include "live_source.h"
#include "serial_bauds.h"

namespace tavro {

class KissSerialSource : public LiveSource {
public:
    struct Options : LiveSource::Options {
        std::string device;
        int baud = kDefaultSerialBaud;
        bool rtscts = false;  // hardware flow control
        std::string init;     // the init text as conf.ini writes it
    };

    explicit KissSerialSource(const Options& options);
};

// "DEVICE[:BAUD]": "/dev/ttyUSB0:19200" -> device and baud; "/dev/ttyUSB0"
// keeps baud as it is. Only digits after the last ':' are a baud rate (so
// names with ':' inside, as in /dev/serial/by-path/, stay whole). False
// when the device is empty or the rate is not one of kSerialBauds.
bool ParseSerialDevice(const std::string& text, std::string& device, int& baud);

// The init text cut into what is written and the pauses between:
// "KISS ON\r\wRESTART\r" -> {"KISS ON\r", "RESTART\r"}, one pause between.
// The pieces are written in order with one 1 s pause after each but the last.
std::vector<std::string> InitTextPieces(const std::string& init);

// The serial devices a TNC may be on, for a device list: the links in
// dev/serial/by-id/ first (their names stay when the device is plugged into
// another socket), then dev/ttyUSB*, dev/ttyACM*, dev/rfcomm*, each group in
// number order.
//   "/dev" -> {"/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0", "/dev/ttyUSB0", "/dev/ttyUSB10", "/dev/ttyACM0"}
std::vector<std::string> SerialDeviceCandidates(const std::string& dev = "/dev");

// Why a device could not be opened, for errno err:
//   EACCES -> "Permission denied; add the user to the dialout group
//             (sudo usermod -aG dialout $USER) and log in again"
std::string SerialOpenError(int err);

}  // namespace tavro
