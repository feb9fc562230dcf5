// What the window shows and asks the server for as it starts, per session, and the
// clean-up it does when it goes away.
#include "host/core/CUtility.h"
#include "tests/support/DeskWindow.h"

#include <QCoreApplication>
#include <QImage>

using StartupTest = WindowFixture;

TEST_F(StartupTest, DefaultSessionQueriesTheUsersOwnTranscribedReportsOfTheLastSixDays) {
    LogCapture log;
    CVelmoPropPage& page = Start();

    EXPECT_EQ(ListQueries(), QStringList{DefaultQuery("12", "All", "t")});
    EXPECT_EQ(Items(Box("providerBox")),
              "All Providers[All]|Dr. Amelia Hart [12]|Dr. Nina Kowalski [18]|Dr. Rafael Ortiz [15]");
    EXPECT_EQ(Box("providerBox")->currentText() + '|' + Box("locationBox")->currentText() + '|' +
                  Box("reportTypeBox")->currentText(),
              "Dr. Amelia Hart [12]|All Locations [All]|Transcribed");
    EXPECT_EQ(Date("fromDate")->date(), DefaultFrom());
    EXPECT_EQ(Date("toDate")->date(), QDate::currentDate());
    EXPECT_EQ(Session().CareProviderIds(), (QStringList{"12", "15", "18"}));
    EXPECT_GT(page.List()->Model()->rowCount(), 0);
    EXPECT_TRUE(Shown().isEmpty());
    // The start-up steps in their order, the request address and the list file's removal.
    QStringList expectedOrder =
        ("Created Image list...|String parsed and stored...|List column headers created...|"
         "Background image set...|Image list set...|Icons set for controls...|"
         "Values cleared from controls...|Value being displayed|Present date and time|"
         "Transcribed, default value being set...|"
         "Transcribed documents should by default display the last 30 days from newest to oldest...|"
         "Present date, " +
         Iso(QDate::currentDate()) + "|Previous date, " + Iso(DefaultFrom()))
            .split('|');
    expectedOrder.replaceInStrings(QRegularExpression("^"), "OnInitDialog: ");
    expectedOrder << "OnButtonViewlist: Filelist download url, " + server_.BaseUrl() +
                         "qm_download_filelist.php?" + DefaultQuery("12", "All", "t")
                  << "File, " + Session().LastFileListName() + ", deleted";
    EXPECT_TRUE(InOrder(log.Messages(), expectedOrder));
    EXPECT_FALSE(QFile::exists(Session().LastFileListName()));
}

TEST_F(StartupTest, TheListsReportTypeSetsTheRowIconAndTheActionButtons) {
    const struct {
        const char *why, *dictationFlag, *locationList, *enabled, *rowIcon;
    } cases[] = {
        {"a transcribed list offers every action", "", nullptr,
         "openButton printButton faxButton forwardButton esignButton demographicsButton searchButton "
         "playButton renameButton",
         ":/icons/row-transcribed.svg"},
        {"a pending list offers only Play and Rename", "1", nullptr, "playButton renameButton",
         ":/icons/row-pending.svg"},
        {"an empty list (no report at that location) leaves only Search", "", "[12]9~Nowhere", "searchButton",
         ""},
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
        EXPECT_TRUE(Button("goButton")->isEnabled()) << c.why;
    }
    EXPECT_EQ(Shown(), QStringList{"No result found."});
}

TEST_F(StartupTest, BackgroundPictureComesFromTheApplicationsDataFolderElseTheSystemOne) {
    const QString own = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../lib/velmo");
    const QString picture = own + "/BkImage.bmp";
    QImage tile(8, 8, QImage::Format_RGB32);
    tile.fill(Qt::red);
    ASSERT_TRUE(QDir().mkpath(own) && tile.save(picture, "BMP"));
    for (const QString& folder : {own, QStringLiteral("/usr/lib/velmo")}) {
        LogCapture log;
        CVelmoPropPage& page = Start();
        QFile::remove(picture); // so the second start finds none in the own folder
        QStringList all = log.Messages().replaceInStrings("OnInitDialog: ", QString());
        const qsizetype from = all.indexOf("List column headers created...") + 1;
        QStringList expected{"Text area background file, " + picture};
        if (folder != own) {
            expected.append("File, " + picture + ", doesnt exist. Checking in system 32 path...");
        }
        expected << "Winsys path, " + folder << "Fetching file from, " + folder + "/BkImage.bmp"
                 << "Background image set...";
        EXPECT_EQ(all.mid(from, all.indexOf("Image list set...") - from), expected);
        EXPECT_EQ(Session().SystemFolder(), folder);
        EXPECT_EQ(page.List()->HasBackgroundImage(), folder == own || QFile::exists(folder + "/BkImage.bmp"));
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
        EXPECT_EQ(Box("providerBox")->currentText() + '|' + Items(Box("providerBox")), c.providers);
        EXPECT_EQ(Items(Box("locationBox")), c.locations);
        EXPECT_EQ(Box("locationBox")->currentIndex(), 0);
        const QString query = ListQueries().value(ListQueries().size() - 1);
        EXPECT_TRUE(query.startsWith(c.query)) << query.toStdString();
    }
}

TEST_F(StartupTest, ClosingEmptiesAndRemovesThisDesksFolderWithTheCache) {
    Start();
    const QString temp = CUtility::TempFolder();
    const QStringList files{temp + "R260001.doc", temp + "versionfiles/R260001_1.doc",
                            temp + "VoiceFiles/J260101.wav"};
    for (const QString& f : files) {
        WriteFile(f, "x");
    }
    QFile::setPermissions(files.first(), QFileDevice::ReadOwner); // read-only is no obstacle
    // The provider/location cache lives in the desk's folder as long as the window.
    const QString cache = temp + "PhysicianLocationCombo.ini";
    ASSERT_TRUE(QFile::exists(cache));

    page_.reset();

    for (const QString& f : files) {
        EXPECT_FALSE(QFile::exists(f)) << f.toStdString();
    }
    EXPECT_FALSE(QFile::exists(cache));
    EXPECT_FALSE(QDir(temp).exists());
}
