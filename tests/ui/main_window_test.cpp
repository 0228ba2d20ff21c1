// The window at start-up: captions, controls, menus, conf.ini and folders; the Info window.
#include <QTest>

#include "window_test_support.h"

using namespace uitest;
using tavro::ui::InfoWindow;

TEST_F(WindowTest, StartUp) {
    EXPECT_EQ(window->windowTitle(), "TAVRO Telemetry Decoder (QX0QX)");
    for (int i = 0; i < tavro::kChannelCount; ++i)
        EXPECT_EQ((ui().channelButtons[i]->text() + " " + ui().unitLabels[i]->text()).toStdString(),
                  std::string(tavro::ChannelCatalogue[i].name) + " " + std::string(tavro::ChannelCatalogue[i].unit));
    for (int i : {6, 7, 8, 16}) {  // Sat Time's box in line with its column's
        EXPECT_EQ(ui().valueBoxes[i]->geometry().left(), ui().valueBoxes[0]->geometry().left()) << i;
        EXPECT_EQ(ui().valueBoxes[i]->size(), ui().valueBoxes[0]->size()) << i;
    }
    EXPECT_LE(ui().barsCheck->sizeHint().width(), ui().barsCheck->width());  // "B" included
    for (QWidget* box : std::initializer_list<QWidget*>{ui().valueBoxes[3], ui().recordCounter, ui().statusLine})
        EXPECT_EQ(box->palette().color(QPalette::Base), QColor(240, 240, 240)) << box->objectName().toStdString();
    EXPECT_FALSE(ui().recordScroll->isEnabled());
    EXPECT_TRUE(BoxTexts(*window).join("").isEmpty());
    QStringList menus;
    for (QAction* title : window->menuBar()->actions()) {
        menus << title->text();
        if (title->menu())
            for (QAction* a : title->menu()->actions()) menus << "  " + a->text();
    }
    EXPECT_EQ(menus, (QStringList{"&File", "  Open KISS file", "  Open Log file", "  Open SatNOGS frames", "  ",
                                  "  Merge duplicate frames", "  Report…", "  ", "  Connect to KISS server…",
                                  "  Connect to serial TNC…", "  Disconnect", "  ", "  Station settings…",
                                  "  Share received frames with SatNOGS", "  ", "  Quit", "&TLM File", "  Write CSV File",
                                  "  Write TLM File", "&Archive", "  Keep every record in the archive", "  History…",
                                  "  Update from SatNOGS DB", "&Info"}));
}

// The usual shortcuts, typed as on a keyboard; the record browser's keys wherever the focus is in the window.
TEST_F(WindowTest, KeysAndShortcuts) {
    WriteBytes(Path("pass1.kss"), KissCapture(60));
    window->OpenFiles({Path("pass1.kss")});
    Show();
    QApplication::setActiveWindow(window.get());
    const struct { QWidget* focus; Qt::Key key; const char* counter; } steps[] = {
        {ui().valueBoxes[10], Qt::Key_Right, "#2 / 60"},    {ui().channelButtons[3], Qt::Key_Right, "#3 / 60"},
        {ui().channelButtons[3], Qt::Key_Left, "#2 / 60"},  {ui().statusLine, Qt::Key_End, "#60 / 60"},
        {ui().recordCounter, Qt::Key_Home, "#1 / 60"},      {ui().barsCheck, Qt::Key_PageDown, "#11 / 60"},
        {ui().chart, Qt::Key_Left, "#10 / 60"},             {ui().recordScroll, Qt::Key_Right, "#11 / 60"},
        {ui().recordScroll, Qt::Key_PageUp, "#1 / 60"},     {ui().recordScroll, Qt::Key_Left, "#1 / 60"},
    };
    EXPECT_EQ(ui().recordScroll->focusPolicy(), Qt::StrongFocus);
    for (const auto& step : steps) {
        step.focus->setFocus();
        QTest::keyClick(step.focus, step.key);
        EXPECT_EQ(ui().recordCounter->text(), step.counter) << step.focus->objectName().toStdString();
    }
    EXPECT_EQ(window->SelectedChannel(), 5);  // the arrows chose no channel

    QStringList dialogs;
    window->ExecDialog = [&dialogs](QDialog& dialog) {
        dialogs << dynamic_cast<QFileDialog&>(dialog).nameFilters().value(0);
        return int(QDialog::Rejected);
    };
    QTest::keyClick(ui().valueBoxes[0], Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(ui().valueBoxes[0], Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(dialogs, (QStringList{"KISS Files (*.kss)", "Log Files (*.log)"}));
    QTest::keyClick(ui().valueBoxes[0], Qt::Key_F1);
    ASSERT_NE(window->Info(), nullptr);
    QApplication::setActiveWindow(window->Info());
    QTest::keyClick(window->Info(), Qt::Key_Escape);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->Info(), nullptr);
    window->OnReport();
    auto* report = window->findChild<QDialog*>(QStringLiteral("reportDialog"));
    ASSERT_TRUE(report && report->isVisible());
    QApplication::setActiveWindow(report);
    QTest::keyClick(report, Qt::Key_Escape);
    EXPECT_FALSE(report->isVisible());
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(ui().valueBoxes[0], Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

// A program folder the user may write: conf.ini and pictures beside the program. One the user may
// not write (installed): conf.ini from the user's configuration unless one lies beside the program,
// and pictures in the user's Pictures folder (user-dirs.dirs names it).
TEST_F(WindowTest, UserFolders) {
    struct Restore {  // the variables as they were
        const QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME"), path = qgetenv("PATH");
        ~Restore() { qputenv("HOME", home), qputenv("XDG_CONFIG_HOME", config), qputenv("PATH", path); }
    } restore;
    const QString home = Path("home"), pictures = home + "/Fotos/";
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + "/.config"));
    qputenv("PATH", QFile::encodeName(home));  // no converter: the bitmap stays
    QDir().mkpath(home + "/.config/tavro");
    WriteBytes(home + "/.config/user-dirs.dirs", std::string("XDG_PICTURES_DIR=\"$HOME/Fotos\"\n"));
    const struct { bool readOnly; const char *beside, *user; bool buttonShown; QString imagePath, status; } cases[] = {
        {false, nullptr, nullptr, true, folder.path() + "/", ""},
        {false, "SCREENSHOT = NO\n", "IMAGE_PATH=/shots\n", false, folder.path() + "/", ""},
        {true, nullptr, nullptr, true, pictures, "screenshots go to " + pictures},
        {true, nullptr, "IMAGE_PATH=/shots\n", true, "/shots/", ""},
        {true, "SCREENSHOT=YES\n", "SCREENSHOT=NO\n", true, pictures, "screenshots go to " + pictures},
        {true, nullptr, "SCREENSHOT=NO\n", false, pictures, ""},
    };
    for (const auto& c : cases) {
        QFile::remove(Path("conf.ini"));
        QFile::remove(home + "/.config/tavro/conf.ini");
        if (c.beside) WriteBytes(Path("conf.ini"), std::string(c.beside));
        if (c.user) WriteBytes(home + "/.config/tavro/conf.ini", std::string(c.user));
        if (c.readOnly) QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
        MakeWindow();
        QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        EXPECT_EQ(std::tuple(!ui().screenshotButton->isHidden(), window->ImagePath(), ui().statusLine->text()),
                  std::tuple(c.buttonShown, c.imagePath, c.status));
    }
    window->OnScreenshot();  // the Pictures folder is made when first needed
    EXPECT_TRUE(QFile::exists(pictures + "tavro_.bmp"));
    EXPECT_EQ(messages, QStringList{"Error: nconvert.exe not found"});
}

TEST_F(WindowTest, InfoWindowOneAtATime) {
    Show();  // the Info window opens centred over it
    for (int round = 0; round < 2; ++round) {  // and again once closed; CSV, then TLM without input
        ui().infoAction->trigger();
        window->OnInfo();
        int shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) shown += qobject_cast<InfoWindow*>(w) && w->isVisible();
        EXPECT_EQ(shown, 1);
        ASSERT_NE(window->Info(), nullptr);
        EXPECT_FALSE(window->Info()->isModal());
        // Centred over the main window, give or take the Info window's frame.
        EXPECT_LE((window->Info()->frameGeometry().center() - window->frameGeometry().center()).manhattanLength(), 4);
        EXPECT_EQ(window->Info()->versionLine->text(), "Version 0.3    (01 July 2014)");
        ui().statusLine->clear(), round == 0 ? window->OnWriteCsv() : window->OnWriteTlm();  // the main window keeps working
        EXPECT_EQ(ui().statusLine->text(), "no input file");
        window->Info()->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(window->Info(), nullptr);
    }
}
