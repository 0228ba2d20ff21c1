// For the window tests: sample files, a window in a temporary program folder
// whose message boxes are recorded, and the real open dialog typed into.
#pragma once

#include <QtWidgets>
#include <qcustomplot.h>

#include <chrono>
#include <functional>

#include "channel_chart.h"
#include "main_window.h"
#include "test_support.h"

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace uitest {

using tavro::ui::MainWindow;

// A time stamp frame, then record k: OPS mode 4 ("norm", 3 for k == 1), Uptime 90 + k, Cmd valid
// 10 + k, validity 0x1F, Sat Time 3723 + k, Batt voltage 100 + 100 k raw (39.50 V, 79.00 V ..).
inline std::vector<std::uint8_t> KissCapture(int records, std::string_view stamp = "2026-12-06 09:05:00.000 UTC;1;2;3") {
    std::vector<std::uint8_t> bytes = tavro::passgen::KissWrap(tavro::passgen::KissTimeStampFrame(stamp));
    for (int k = 0; k < records; ++k) {
        tavro::passgen::KissRaw raw{};
        raw[0] = k == 1 ? 3 : 4, raw[3] = 90 + k, raw[5] = 10 + k, raw[6] = 0x1F, raw[7] = 3723 + k, raw[10] = 100 + 100 * k;
        const auto frame = tavro::passgen::KissWrap(tavro::passgen::KissHousekeepingFrame(raw));
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

// Log record k: time 10:20:(k % 60), Solar curr 200 + k, Batt voltage 12.00 V, Mag Delta 1 7.5e20 nT.
inline std::string LogText(int records) {
    std::string text;
    for (int k = 0; k < records; ++k) {
        tavro::passgen::LogRaw raw{};
        raw[16] = 200 + k, raw[10] = 12000, raw[21] = 1e20;
        const QString time = QString::asprintf("10:%02d:%02d", 20 + k / 60 % 40, k % 60);
        text += tavro::passgen::LogHousekeepingLine(time.toStdString(), raw) + "\n";
    }
    return text;
}

template <class Bytes>  // std::string or a byte vector
void WriteBytes(const QString& path, const Bytes& bytes) {
    std::ofstream(QFile::encodeName(path).toStdString(), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
inline QByteArray ReadAll(const QString& path) { return QByteArray::fromStdString(tavro::test::FileText(QFile::encodeName(path).toStdString())); }

// The date a log is archived at: the tests that do not answer it archive logs without time.
inline bool LogDateDialog(const QDialog& dialog) { return dialog.objectName() == QStringLiteral("logDateDialog"); }

// A window in a temporary program folder (conf.ini, samples, exports); MakeWindow() again after a conf.ini.
struct WindowTest : testing::Test {
    void SetUp() override { MakeWindow(); }
    void MakeWindow() {
        window = std::make_unique<MainWindow>(folder.path());
        window->SetDecimalSeparator('.');
        window->ExecDialog = [](QDialog& dialog) { return LogDateDialog(dialog) ? int(QDialog::Rejected) : dialog.exec(); };
        window->ShowMessage = [this](QMessageBox::Icon, const QString& text, const QString& title) {
            messages << title + ": " + text;
        };
    }
    QString Path(const QString& name) const { return folder.filePath(name); }
    // The window's widgets (its test accessor).
    const MainWindow::Controls& ui() const { return window->ControlsForTesting(); }
    void Show() {  // off screen, laid out as on the screen
        window->setAttribute(Qt::WA_DontShowOnScreen);
        window->show();
        QApplication::processEvents();
    }
    // Writes a sample capture and opens it, as the command line does.
    void Load(const QString& name, int records) {
        WriteBytes(Path(name), KissCapture(records));
        window->OpenFiles({Path(name)});
    }

    // Types `typed` ("a.kss" or "\"a.kss\" \"b.kss\"") into the next open dialog; empty: cancels it.
    void AnswerDialog(const QString& typed) {
        window->ExecDialog = [this, typed](QDialog& shown) {
            if (LogDateDialog(shown)) return int(QDialog::Rejected);  // archived without date
            auto& dialog = dynamic_cast<QFileDialog&>(shown);
            dialogFilters = dialog.nameFilters();
            QTimer::singleShot(0, &dialog, [&dialog, typed, where = folder.path()] {
                dialog.setDirectory(where);
                auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                if (!name || typed.isEmpty()) return dialog.reject();
                name->setText(typed);
                static_cast<QDialog&>(dialog).accept();   // as the Open button does
                if (dialog.isVisible()) dialog.reject();  // a refused name must not hang the test
            });
            return dialog.exec();
        };
    }
    void CancelDialog() { AnswerDialog(QString()); }

    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;
    QStringList messages;  // "title: text" of each message box
    QStringList dialogFilters;
};

// Runs the event loop until done() holds or 20 s pass; whether it holds.
inline bool Until(const std::function<bool()>& done) {
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20); std::chrono::steady_clock::now() < end;) {
        if (done()) return true;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

// Synthetic mouse events, delivered as the platform would.
inline void Mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton,
                  Qt::MouseButtons held = Qt::LeftButton) {
    QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}
inline void Release(QWidget* w, QPoint at) { Mouse(w, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
inline void Click(QWidget* w, QPoint at) { Mouse(w, QEvent::MouseButtonPress, at), Release(w, at); }
inline void Drag(QWidget* w, QPoint from, QPoint to) { Mouse(w, QEvent::MouseButtonPress, from), Mouse(w, QEvent::MouseMove, to), Release(w, to); }
inline void Hover(QWidget* w, QPoint at) { Mouse(w, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton); }
inline void Wheel(QWidget* w, QPoint at, int steps) {  // forward: positive
    QWheelEvent event(QPointF(at), w->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

inline QStringList BoxTexts(const MainWindow& w) {
    QStringList texts;
    for (QLineEdit* box : w.ControlsForTesting().valueBoxes) texts << box->text();
    return texts;
}

}  // namespace uitest
