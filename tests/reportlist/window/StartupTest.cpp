// What the window shows and asks the server for as it starts, per session, its keyboard order,
// and the clean-up it does when it goes away.
#include "host/core/CUtility.h"
#include "tests/reportlist/window/LogCapture.h"
#include "tests/reportlist/window/WindowFixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>

namespace {

using StartupTest = WindowFixture;

// The window's own control that holds w (w may be a part of a date picker or a combo box).
QString OwningControl(QWidget* w, const QWidget* page) {
    for (; w && w != page; w = w->parentWidget()) {
        if (w->parentWidget() == page) {
            return w->objectName();
        }
    }
    return {};
}

} // namespace

TEST_F(StartupTest, DefaultSessionQueriesTheUsersOwnTranscribedReportsOfTheLastSixDays) {
    LogCapture log;
    CVelmoPropPage& page = Start();

    EXPECT_EQ(ListQueries(), QStringList{DefaultQuery("12", "All", "t")});
    EXPECT_EQ(Items(Box("ctl209")),
              "All Providers[All]|Dr. Amelia Hart [12]|Dr. Nina Kowalski [18]|Dr. Rafael Ortiz [15]");
    EXPECT_EQ(Box("ctl209")->currentText(), "Dr. Amelia Hart [12]");
    EXPECT_EQ(Box("ctl211")->currentText(), "All Locations [All]");
    EXPECT_EQ(Box("ctl262")->currentText(), "Transcribed");
    EXPECT_EQ(Date("ctl220")->date(), DefaultFrom());
    EXPECT_EQ(Date("ctl221")->date(), QDate::currentDate());
    // The session's provider lists follow the entry order.
    EXPECT_EQ(Session().CareProviderIds(), (QStringList{"12", "15", "18"}));
    EXPECT_GT(page.List()->Model()->rowCount(), 0);
    EXPECT_TRUE(PromptsDouble::Current().ShownTexts().isEmpty());

    // The start-up steps in their order, the request address and the list file's removal.
    const QStringList expectedOrder{
        "OnInitDialog: Created Image list...",
        "OnInitDialog: String parsed and stored...",
        "OnInitDialog: List column headers created...",
        "OnInitDialog: Background image set...",
        "OnInitDialog: Image list set...",
        "OnInitDialog: Icons set for controls...",
        "OnInitDialog: Values cleared from controls...",
        "OnInitDialog: Value being displayed",
        "OnInitDialog: Present date and time",
        "OnInitDialog: Transcribed, default value being set...",
        "OnInitDialog: Transcribed documents should by default display the last 30 days from newest to "
        "oldest...",
        "OnInitDialog: Present date, " + Iso(QDate::currentDate()),
        "OnInitDialog: Previous date, " + Iso(DefaultFrom()),
        "OnButtonViewlist: Filelist download url, " + server_.BaseUrl() + "qm_download_filelist.php?" +
            DefaultQuery("12", "All", "t"),
        "File, " + Session().LastFileListName() + ", deleted",
    };
    const QStringList messages = log.Messages();
    qsizetype at = 0;
    for (const QString& expected : expectedOrder) {
        at = messages.indexOf(expected, at);
        ASSERT_GE(at++, 0) << "missing or out of order: " << expected.toStdString();
    }
    EXPECT_FALSE(QFile::exists(Session().LastFileListName()));
}

TEST_F(StartupTest, TheListsReportTypeSetsTheRowIconAndTheActionButtons) {
    const struct {
        const char* why;
        const char* dictationFlag;
        const char* locationList;
        const char* enabled;
        const char* rowIcon;
    } cases[] = {
        {"a transcribed list offers every action", "", nullptr,
         "ctl210 ctl201 ctl202 ctl203 ctl204 ctl207 ctl206 ctl208 ctl212", ":/icons/row-transcribed.svg"},
        {"a pending list offers only Play and Rename", "1", nullptr, "ctl208 ctl212",
         ":/icons/row-pending.svg"},
        {"an empty list (no report at that location) leaves only Search", "", "[12]9~Nowhere", "ctl206", ""},
    };
    for (const auto& c : cases) {
        ResetSession();
        Session().SetFromDictationFlag(c.dictationFlag);
        if (c.locationList != nullptr) {
            Session().SetLocationList(c.locationList);
        }
        CVelmoPropPage& page = Start();
        QStringList enabled;
        for (const char* id : kActionButtons) {
            if (Button(id)->isEnabled()) {
                enabled.append(QString::fromLatin1(id));
            }
        }
        EXPECT_EQ(enabled.join(' '), c.enabled) << c.why;
        EXPECT_EQ(page.List()->Model()->RowIcon(), c.rowIcon) << c.why;
        EXPECT_TRUE(Button("ctl219")->isEnabled()) << c.why;
    }
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList{"No result found."});
}

TEST_F(StartupTest, BackgroundPictureComesFromTheApplicationsDataFolderElseTheSystemOne) {
    const QString own = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/velmo");
    const QString system = "/usr/share/velmo";
    // The picture is put in place for the first case only, and never left behind.
    struct Picture {
        QString path;
        ~Picture() { QFile::remove(path); }
    } picture{own + "/BkImage.bmp"};
    QImage tile(8, 8, QImage::Format_RGB32);
    tile.fill(Qt::red);
    ASSERT_TRUE(QDir().mkpath(own) && tile.save(picture.path, "BMP"));
    const struct {
        const char* why;
        QString folder;
        QStringList lines; // after "Text area background file, " + own + "/BkImage.bmp"
        bool shown;
    } cases[] = {
        {"the application's own folder", own, {}, true},
        {"the system folder when the own one has none",
         system,
         {"File, " + own + "/BkImage.bmp, doesnt exist. Checking in system 32 path..."},
         QFile::exists(system + "/BkImage.bmp")},
    };
    for (const auto& c : cases) {
        LogCapture log;
        CVelmoPropPage& page = Start();
        const QStringList all = log.Messages();
        const qsizetype from = all.indexOf("OnInitDialog: List column headers created...") + 1;
        QStringList lines = all.mid(from, all.indexOf("OnInitDialog: Image list set...") - from);
        const QStringList expected =
            QStringList{"Text area background file, " + own + "/BkImage.bmp"} + c.lines +
            QStringList{"Winsys path, " + c.folder, "Fetching file from, " + c.folder + "/BkImage.bmp",
                        "Background image set..."};
        EXPECT_EQ(lines.replaceInStrings("OnInitDialog: ", QString()), expected) << c.why;
        EXPECT_EQ(Session().SystemFolder(), c.folder) << c.why;
        EXPECT_EQ(page.List()->HasBackgroundImage(), c.shown) << c.why;
        QFile::remove(picture.path);
    }
}

TEST_F(StartupTest, ProvidersOfTheSessionGiveTheFirstQuerysProviderAndLocation) {
    const struct {
        const char* physicianList;
        const char* providers; // the provider box's items, the selected one first
        const char* locations;
        const char* query; // the first query's start
    } cases[] = {
        {"18~Dr. Nina Kowalski", "Dr. Nina Kowalski [18]|Dr. Nina Kowalski [18]", "East Office [5]",
         "loginuserid=90&physicianid=18&locationid=5&"},
        // A user who is none of the providers starts with all of them, their locations once.
        {"12~Dr. Amelia Hart|15~Dr. Rafael Ortiz",
         "All Providers[All]|All Providers[All]|Dr. Amelia Hart [12]|Dr. Rafael Ortiz [15]",
         "All Locations [All]|North Clinic [3]|South Clinic [4]|East Office [5]",
         "loginuserid=90&physicianid=All&locationid=All&"},
    };
    for (const auto& c : cases) {
        ResetSession();
        Session().SetLoggedUserId("90");
        Session().SetPhysicianList(c.physicianList);
        Start();
        EXPECT_EQ(Box("ctl209")->currentText() + '|' + Items(Box("ctl209")), c.providers);
        EXPECT_EQ(Items(Box("ctl211")), c.locations);
        EXPECT_EQ(Box("ctl211")->currentIndex(), 0);
        const QString query = ListQueries().value(ListQueries().size() - 1);
        EXPECT_TRUE(query.startsWith(c.query)) << query.toStdString();
    }
}

TEST_F(StartupTest, TabVisitsTheControlsInOrderAndEachHasAName) {
    Start();
    page_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page_.get()));
    Box("ctl209")->setFocus();
    QStringList visited{OwningControl(QApplication::focusWidget(), page_.get())};
    for (int i = 0; i < 40 && visited.size() < 16; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QString name = OwningControl(QApplication::focusWidget(), page_.get());
        if (name != visited.last()) {
            visited.append(name);
        }
    }
    EXPECT_EQ(visited.join(' '),
              "ctl209 ctl211 ctl220 ctl221 ctl262 ctl219 ctl8889 ctl210 ctl201 ctl202 ctl203 "
              "ctl204 ctl207 ctl206 ctl208 ctl212");
    EXPECT_EQ(Box("ctl211")->accessibleName(), "Location");
    // Alt + the underlined letter of a filter's label reaches its box.
    QTest::keyClick(page_.get(), Qt::Key_L, Qt::AltModifier);
    EXPECT_EQ(OwningControl(QApplication::focusWidget(), page_.get()), "ctl211");
}

TEST_F(StartupTest, ClosingEmptiesTheWorkingFoldersButKeepsThemAndRemovesTheCache) {
    Start();
    const QString temp = CUtility().TempFolder();
    for (const char* folder : {"versionfiles/", "VoiceFiles/", "nested/"}) {
        CUtility().CreateFolderPath(temp + folder);
    }
    const QStringList files{temp + "R260001.doc", temp + "versionfiles/R260001_1.doc",
                            temp + "VoiceFiles/J260101.wav"};
    for (const QString& f : files + QStringList{temp + "nested/keep.txt"}) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("x") == 1) << f.toStdString();
    }
    QFile::setPermissions(files.first(), QFileDevice::ReadOwner); // read-only is no obstacle
    // The provider/location cache lives as long as the window.
    const QString cache = CUtility().ProfileFolder() + "PhysicianLocationCombo.ini";
    ASSERT_TRUE(QFile::exists(cache));

    page_.reset();

    for (const QString& f : files) {
        EXPECT_FALSE(QFile::exists(f)) << f.toStdString();
    }
    for (const char* folder : {"", "versionfiles/", "VoiceFiles/", "nested/"}) {
        EXPECT_TRUE(QDir(temp + QString::fromLatin1(folder)).exists()) << folder;
    }
    EXPECT_TRUE(QFile::exists(temp + "nested/keep.txt"));
    EXPECT_FALSE(QFile::exists(cache));
}
