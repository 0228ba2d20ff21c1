// The window's "Station settings…" (checks with their reasons, conf.ini kept
// and private) and "Share received frames with SatNOGS" on a live pass.
#include <sys/stat.h>

#include "http_server.h"
#include "kiss_server.h"
#include "window_test_support.h"

using namespace uitest;
using namespace std::chrono_literals;

TEST_F(WindowTest, StationSettingsCheckedAndSaved) {
    WriteBytes(Path("conf.ini"), std::string("# my station\r\nKISS_PORT=8100\r\nMY_OWN=kept\r\n"));
    MakeWindow();
    QStringList reasons;
    int accepted = -1;
    window->ExecDialog = [&](QDialog& dialog) {
        const auto set = [&](const char* name, const QString& text) { dialog.findChild<QLineEdit*>(name)->setText(text); };
        auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        const auto reason = [&] { return dialog.findChild<QLabel*>("reason")->text(); };
        set("callsign", "DL1XYZ"), set("latitude", "91"), set("longitude", "-11.5755"), set("noradId", "99999");
        set("token", "secret-token-1");
        ok->click();
        reasons << reason();
        set("latitude", "48.1374"), set("callsign", "DL1 XYZ");
        ok->click();
        reasons << reason();
        set("callsign", "DL1XYZ");
        ok->click();
        reasons << reason();
        return accepted = dialog.result();
    };
    window->OnStationSettings();
    EXPECT_EQ(reasons, QStringList({"the latitude must be a number from -90 to 90 (north positive)",
                                    "the callsign must not contain a blank", ""}));
    EXPECT_EQ(accepted, QDialog::Accepted);
    EXPECT_EQ(ReadAll(Path("conf.ini")).toStdString(),
              "# my station\r\nKISS_PORT=8100\r\nMY_OWN=kept\r\nSTATION_CALLSIGN=DL1XYZ\r\nSTATION_LATITUDE=48.1374\r\n"
              "STATION_LONGITUDE=-11.5755\r\nSATNOGS_NORAD_ID=99999\r\nSIDS_URL=https://db.satnogs.org/api/telemetry/\r\n"
              "SATNOGS_DB_URL=https://db.satnogs.org/api/\r\nSATNOGS_DB_TOKEN=secret-token-1\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(Path("conf.ini")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(ui().statusLine->text().contains("secret"));
}

TEST_F(WindowTest, LivePassShared) {
    ::unsetenv("http_proxy"), ::unsetenv("HTTP_PROXY");
    tavro::test::HttpServer sids([](const tavro::test::HttpRequestSeen&) { return tavro::test::HttpAnswer{201}; });
    WriteBytes(Path("conf.ini"), "STATION_CALLSIGN=DL1XYZ\nSTATION_LATITUDE=48.1374\nSTATION_LONGITUDE=-11.5755\n"
                                 "SATNOGS_NORAD_ID=99999\nARCHIVE_PATH=" + QFile::encodeName(Path("a.sqlite")).toStdString() +
                                 "\nSIDS_URL=" + sids.Url("/api/telemetry/") + "\n");
    MakeWindow();
    window->ShareFirstDelay = 20ms;
    window->LiveClock = [] { return std::int64_t{1796552043000}; };
    ui().shareAction->setChecked(true);
    EXPECT_TRUE(ReadAll(Path("conf.ini")).endsWith("SHARE=1\n"));
    const auto capture = KissCapture(3);  // a time stamp "2026-12-06 09:05:00.000 UTC", then three records
    tavro::test::KissServer kiss([&](int socket, int n) {
        if (n == 0) tavro::test::SendInSlices(socket, capture, 4);
    });
    window->ConnectTo("127.0.0.1", kiss.Port());
    ASSERT_TRUE(Until([&] { return ui().statusLine->text().contains("; shared 3"); })) << ui().statusLine->text().toStdString();
    const auto posted = sids.Requests();
    ASSERT_EQ(posted.size(), 3u);
    // The time stamp frame's time carries over to every later record of the connection.
    EXPECT_EQ(tavro::test::FormFields(posted[0].body)["timestamp"], "2026-12-06T09:05:00.000Z");
    EXPECT_EQ(tavro::test::FormFields(posted[1].body)["timestamp"], "2026-12-06T09:05:00.000Z");
    EXPECT_EQ(tavro::test::FormFields(posted[2].body)["version"], "tavro-decoder 0.3");
    window->OnDisconnect();
    ui().shareAction->setChecked(false);
    EXPECT_TRUE(ReadAll(Path("conf.ini")).endsWith("SHARE=0\n"));
}

// Archive -> Update from SatNOGS DB: the pages into the archive, the counts in the status line; Cancel keeps what came.
TEST_F(WindowTest, UpdateFromSatnogsDbAndCancel) {
    ::unsetenv("http_proxy"), ::unsetenv("HTTP_PROXY");
    std::mutex m;
    std::condition_variable cv;
    bool stall = false, released = false;
    tavro::test::HttpServer db([&](const tavro::test::HttpRequestSeen& r) {
        const std::string next = "<http://127.0.0.1:" + r.Header("host").substr(r.Header("host").find(':') + 1) + "/api/telemetry/?cursor=2>; rel=\"next\"";
        if (r.target.find("cursor=2") == std::string::npos) return tavro::test::HttpAnswer{200, "[]", {{"Link", next}}};
        return tavro::test::HttpAnswer{200, "[]", {}, [&] {
            std::unique_lock lock(m);
            if (stall) cv.wait_for(lock, 10s, [&] { return released; });
        }};
    });
    WriteBytes(Path("conf.ini"), "SATNOGS_NORAD_ID=99999\nSATNOGS_DB_TOKEN=secret-token-1\nSATNOGS_DB_URL=" + db.Url("/api/") +
                                 "\nARCHIVE_PATH=" + QFile::encodeName(Path("a.sqlite")).toStdString() + "\n");
    MakeWindow();
    window->LiveClock = [] { return std::int64_t{1796552043000}; };
    window->OnUpdateFromSatnogsDb();
    ASSERT_TRUE(Until([&] { return !window->Fetching(); }));
    EXPECT_EQ(ui().statusLine->text(), "SatNOGS DB: 2 pages, 0 frames, 0 new beacons");
    EXPECT_EQ(db.Requests()[0].target, "/api/telemetry/?satellite=99999&start=2026-11-06T10:14:03.000Z&end=2026-12-06T10:14:03.000Z");

    stall = true;
    window->OnUpdateFromSatnogsDb();
    ASSERT_TRUE(Until([&] { return db.Requests().size() == 4; }));  // the second page is on its way
    auto* progress = window->findChild<QProgressDialog*>("satnogsDbProgress");
    ASSERT_TRUE(progress);
    progress->findChild<QPushButton*>()->click();  // Cancel
    ASSERT_TRUE(Until([&] { return !window->Fetching(); }));
    {
        std::lock_guard lock(m);
        released = true;
    }
    cv.notify_all();
    EXPECT_EQ(ui().statusLine->text(), "SatNOGS DB: 1 pages, 0 frames, 0 new beacons; cancelled: what was fetched is kept");
    EXPECT_FALSE(ui().statusLine->text().contains("secret"));
}
