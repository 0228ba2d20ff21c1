// Shared by the window tests: sample files built with the frame encoder, a
// window whose program folder is a temporary folder, message boxes recorded
// instead of shown, and the real open dialog driven by typing names into it.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "frame_encoder.h"
#include "main_window.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace uitest {

using tavro::ui::MainWindow;

// Field values of housekeeping record k (0-based) of the sample captures:
//   OPS mode 4 ("norm") but 3 for k == 1, Uptime 90 + k, Cmd valid 10 + k,
//   validity bits 0x1F, Sat Time 3723 + k, Batt voltage 100 + 100 k raw
//   (39.5 V, 79.0 V, ...), MagY -64 raw (-1 nT).
inline tavro::passgen::KissRaw KissRecordRaw(int k) {
    tavro::passgen::KissRaw raw{};
    raw[0] = k == 1 ? 3 : 4;
    raw[3] = 90 + k;
    raw[5] = 10 + k;
    raw[6] = 0x1F;
    raw[7] = 3723 + k;
    raw[10] = 100 + 100 * k;
    raw[41] = -64;
    return raw;
}

// A time stamp frame, then `records` housekeeping frames, with a frame of
// another kind (type 2) in between.
inline std::vector<std::uint8_t> KissCapture(int records, std::string_view stamp = "2026-12-06 09:05:00.000 UTC;1;2;3") {
    std::vector<std::uint8_t> bytes = tavro::passgen::KissWrap(tavro::passgen::KissTimeStampFrame(stamp));
    for (int k = 0; k < records; ++k) {
        const auto frame = tavro::passgen::KissWrap(tavro::passgen::KissHousekeepingFrame(KissRecordRaw(k)));
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

// Log record k: time 10:20:(k % 60), Solar curr 200 + k, Batt voltage 12000 raw (12.00 V).
inline std::string LogText(int records) {
    std::string text;
    for (int k = 0; k < records; ++k) {
        tavro::passgen::LogRaw raw{};
        raw[16] = 200 + k;
        raw[10] = 12000;
        char time[9];
        std::snprintf(time, sizeof time, "10:%02d:%02d", 20 + k / 60 % 40, k % 60);
        text += tavro::passgen::LogHousekeepingLine(time, raw) + "\n";
    }
    return text;
}

inline void WriteBytes(const QString& path, const void* data, std::size_t size) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(static_cast<const char*>(data), static_cast<qint64>(size));
}
inline void WriteBytes(const QString& path, const std::vector<std::uint8_t>& bytes) { WriteBytes(path, bytes.data(), bytes.size()); }
inline void WriteBytes(const QString& path, const std::string& text) { WriteBytes(path, text.data(), text.size()); }

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Message {
    QMessageBox::Icon icon;
    QString text;
    QString title;
};

// A window in a temporary program folder; files go into the same folder.
class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        MakeWindow();
    }

    // Again, after a conf.ini has been placed, for instance.
    void MakeWindow() {
        window = std::make_unique<MainWindow>(folder.path());
        window->DecimalSeparator = '.';
        window->ShowMessage = [this](QMessageBox::Icon icon, const QString& text, const QString& title) {
            messages.push_back({icon, text, title});
        };
    }

    QString Path(const QString& name) const { return folder.filePath(name); }

    // Answers the next open dialog by typing `typed` (one name, or several
    // as "a.kss" "b.kss") into its file name box in `dir`, or cancels it.
    void AnswerDialog(const QString& typed, const QString& dir = QString()) {
        const QString where = dir.isEmpty() ? folder.path() : dir;
        window->ExecDialog = [this, typed, where](QFileDialog& dialog) {
            dialogFilters = dialog.nameFilters();
            dialogMode = dialog.fileMode();
            QTimer::singleShot(0, &dialog, [&dialog, typed, where] {
                dialog.setDirectory(where);
                auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                if (!name || typed.isEmpty()) {
                    dialog.reject();
                    return;
                }
                name->setText(typed);
                static_cast<QDialog&>(dialog).accept();  // as the Open button does
                if (dialog.isVisible()) dialog.reject();  // refused names must not hang the test
            });
            return dialog.exec();
        };
    }
    void CancelDialog() { AnswerDialog(QString()); }

    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
    std::vector<Message> messages;
    QStringList dialogFilters;
    QFileDialog::FileMode dialogMode = QFileDialog::AnyFile;
};

inline QStringList BoxTexts(const MainWindow& w) {
    QStringList texts;
    for (QLineEdit* box : w.Text1) texts << box->text();
    return texts;
}

}  // namespace uitest

// Each window test program runs its tests inside one QApplication.
#define TAVRO_UI_TEST_MAIN()                                                        \
    int main(int argc, char** argv) {                                               \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen"); \
        QApplication app(argc, argv);                                               \
        testing::InitGoogleTest(&argc, argv);                                       \
        return RUN_ALL_TESTS();                                                     \
    }
