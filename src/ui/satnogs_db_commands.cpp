// "Archive → Update from SatNOGS DB": the network's frames of the satellite
// fetched into the archive. The pages come on a thread of their own; each
// is read on the window's thread by a session of the fetch's own (the
// table on display stays as it is). A progress dialog counts pages, frames
// and new beacons; Cancel keeps what was fetched.
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressDialog>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "archive.h"
#include "conf_file.h"
#include "main_window.h"
#include "satnogs_db_fetch.h"
#include "sharing.h"
#include "text_conversion.h"
#include "time_stamp.h"

namespace tavro::ui {

struct MainWindow::DbFetch {
    Session session;  // of the fetch's own: the table on display stays
    DbPageSink read = SessionPageSink(session);
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable handed;
    std::optional<DbPageResult> result;  // the page read on the window's thread
    std::thread thread;
    QPointer<QProgressDialog> progress;
    ~DbFetch() {
        cancel = true;
        handed.notify_all();
        if (thread.joinable()) thread.join();
    }
};

void MainWindow::OnUpdateFromSatnogsDb() {
    if (dbFetch_) return;
    const std::string location = tavro::LoadSettings(folders_).archivePath;
    auto fetch = std::make_shared<DbFetch>();
    if (const std::string why = fetch->session.StartArchiving(location, folders_.userFolders && location == folders_.archiveFile); !why.empty()) {
        ui_.statusLine->setText(PathText("SatNOGS DB: " + why));
        return;
    }
    DbFetchOptions options;
    options.station = StationSettingsOf(ReadConfText(folders_.confIni));
    if (OpenedArchive opened = OpenArchive(location, true); opened.archive)
        options.newestFetched = opened.archive->NewestReception(SourceKind::SatnogsDb);
    options.nowMs = LiveClock ? LiveClock() : NowMilliseconds();
    options.cancel = &fetch->cancel;
    options.wait = [f = fetch.get()](std::chrono::milliseconds wait) {
        std::unique_lock lock(f->mutex);
        return !f->handed.wait_for(lock, wait, [f] { return f->cancel.load(); });
    };
    options.progress = [this](const DbFetchProgress& counts) {
        const QString text = QStringLiteral("SatNOGS DB: ") + Latin1(DbFetchCountsText(counts));
        QMetaObject::invokeMethod(this, [this, text] {
            if (dbFetch_ && dbFetch_->progress) dbFetch_->progress->setLabelText(text);
        }, Qt::QueuedConnection);
    };
    auto* progress = new QProgressDialog(QStringLiteral("SatNOGS DB: asking for the first page"), QStringLiteral("Cancel"), 0, 0, this);
    progress->setObjectName(QStringLiteral("satnogsDbProgress"));
    progress->setWindowTitle(QStringLiteral("Update from SatNOGS DB"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    connect(progress, &QProgressDialog::canceled, this, [f = fetch.get()] {
        f->cancel = true;
        f->handed.notify_all();
    });
    fetch->progress = progress;
    // Each page is read on the window's thread; the fetching thread waits for it (or for Cancel).
    DbPageSink sink = [this, f = fetch.get(), weak = std::weak_ptr<DbFetch>(fetch)](const std::string& body, const std::string& url) {
        QMetaObject::invokeMethod(this, [weak, body, url] {
            const std::shared_ptr<DbFetch> alive = weak.lock();
            if (!alive || alive->cancel) return;
            DbPageResult r = alive->read(body, url);
            std::lock_guard lock(alive->mutex);
            alive->result = std::move(r);
            alive->handed.notify_all();
        }, Qt::QueuedConnection);
        std::unique_lock lock(f->mutex);
        f->handed.wait(lock, [f] { return f->result.has_value() || f->cancel.load(); });
        DbPageResult r = f->result.value_or(DbPageResult{0, 0, "cancelled"});
        f->result.reset();
        return r;
    };
    fetch->thread = std::thread([this, options, sink] {
        DbFetchResult result = FetchFromSatnogsDb(options, sink);
        QMetaObject::invokeMethod(this, [this, result] { DbFetchEnded(result); }, Qt::QueuedConnection);
    });
    dbFetch_ = std::move(fetch);
    ui_.updateFromDbAction->setEnabled(false);
    progress->show();
}

void MainWindow::DbFetchEnded(const DbFetchResult& result) {
    if (!dbFetch_) return;
    if (dbFetch_->progress) dbFetch_->progress->close();
    dbFetch_.reset();
    ui_.updateFromDbAction->setEnabled(true);
    std::string text = "SatNOGS DB: " + DbFetchCountsText(result.counts);
    if (!result.message.empty()) text += "; " + result.message;
    ui_.statusLine->setText(PathText(text));
    ui_.statusLine->setCursorPosition(0);
    ui_.statusLine->setToolTip(ui_.statusLine->text());
}

void MainWindow::BuildSatnogsDbMenu() {
    QMenu* archive = nullptr;
    for (QAction* action : menuBar()->actions())
        if (action->menu() && action->menu()->objectName() == QStringLiteral("archiveMenu")) archive = action->menu();
    if (!archive) {  // before "Info", which stays last
        archive = new QMenu(QStringLiteral("&Archive"), this);
        archive->setObjectName(QStringLiteral("archiveMenu"));
        menuBar()->insertMenu(ui_.infoAction, archive);
    }
    ui_.updateFromDbAction = archive->addAction(QStringLiteral("Update from SatNOGS DB"), this, [this] { OnUpdateFromSatnogsDb(); });
}

}  // namespace tavro::ui
