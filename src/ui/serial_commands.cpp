// "Connect to serial TNC…": live reception from a TNC on a serial line,
// shown, recorded and ended as a KISS server's stream is (live_commands.cpp).
// A conf.ini that cannot be written keeps the choice for this run only.
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>

#include "conf_file.h"
#include "kiss_serial_source.h"
#include "main_window.h"
#include "text_conversion.h"

namespace tavro::ui {

// The devices present, editable, and the baud rate; prefilled from conf.ini
// or the last serial connection of this run.
void MainWindow::OnConnectSerial() {
    if (reading_ || client_) return;
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("serialDialog"));
    dialog.setWindowTitle(QStringLiteral("Connect to serial TNC"));
    auto* device = new QComboBox(&dialog);
    device->setObjectName(QStringLiteral("device"));
    device->setEditable(true);
    for (const std::string& path : SerialDeviceCandidates()) device->addItem(PathText(path));
    if (!settings_.kissSerial.empty()) device->setCurrentText(PathText(settings_.kissSerial));
    device->setMinimumContentsLength(40);
    auto* baud = new QComboBox(&dialog);
    baud->setObjectName(QStringLiteral("baud"));
    for (int rate : kSerialBauds) baud->addItem(QString::number(rate), rate);
    baud->setCurrentIndex(baud->findData(settings_.kissSerialBaud));
    auto* hint = new QLabel(QStringLiteral("The device needs the user in the dialout group. A TNC that starts in "
                                           "command mode: KISS_SERIAL_INIT in conf.ini."),
                            &dialog);
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("Device"), device);
    form->addRow(QStringLiteral("Baud"), baud);
    form->addRow(hint);
    form->addRow(buttons);
    if (ExecDialog(dialog) != QDialog::Accepted || device->currentText().trimmed().isEmpty()) return;
    ConnectToSerial(device->currentText().trimmed(), baud->currentData().toInt());
}

// The device and rate are remembered in conf.ini (every other line of it kept)
// for the next dialog, of this run or a later one.
void MainWindow::ConnectToSerial(const QString& device, int baud) {
    if (reading_ || client_) return;
    const Settings before = settings_;
    settings_.kissSerial = NativePath(device);
    if (IsSerialBaud(baud)) settings_.kissSerialBaud = baud;
    if (settings_.kissSerial != before.kissSerial || settings_.kissSerialBaud != before.kissSerialBaud)
        SaveConfValues(folders_.confIni, {{"KISS_SERIAL", settings_.kissSerial},
                                          {"KISS_SERIAL_BAUD", std::to_string(settings_.kissSerialBaud)}});
    if (!BeginLive(device, true)) return;
    KissSerialSource::Options options;
    static_cast<LiveSource::Options&>(options) = LiveOptions();
    options.device = settings_.kissSerial;
    options.baud = settings_.kissSerialBaud;
    options.rtscts = settings_.kissSerialRtsCts;
    options.init = settings_.kissSerialInit;
    StartSource(std::make_unique<KissSerialSource>(options));
}

}  // namespace tavro::ui
