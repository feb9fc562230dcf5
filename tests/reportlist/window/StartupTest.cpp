// What the window shows and asks the server for as it starts, per session.
#include "tests/reportlist/window/LogCapture.h"
#include "tests/reportlist/window/WindowFixture.h"

#include <QFile>

namespace {

using StartupTest = WindowFixture;

} // namespace

TEST_F(StartupTest, DefaultSessionQueriesTheUsersOwnTranscribedReportsOfTheLastSixDays) {
    LogCapture log;
    CVelmoPropPage& page = Start();

    EXPECT_EQ(ListQueries(),
              QStringList{DefaultQuery(QStringLiteral("12"), QStringLiteral("All"), QStringLiteral("t"))});
    EXPECT_EQ(
        Items(Box("ctl209")),
        (QStringList{QStringLiteral("All Providers[All]"), QStringLiteral("Dr. Amelia Hart [12]"),
                     QStringLiteral("Dr. Nina Kowalski [18]"), QStringLiteral("Dr. Rafael Ortiz [15]")}));
    EXPECT_EQ(Box("ctl209")->currentText(), QStringLiteral("Dr. Amelia Hart [12]"));
    EXPECT_EQ(Box("ctl211")->currentText(), QStringLiteral("All Locations [All]"));
    EXPECT_EQ(Box("ctl262")->currentText(), QStringLiteral("Transcribed"));
    EXPECT_EQ(Date("ctl220")->date(), DefaultFrom());
    EXPECT_EQ(Date("ctl221")->date(), QDate::currentDate());
    EXPECT_EQ(Date("ctl220")->displayFormat(), QStringLiteral("MM/dd/yyyy"));

    // The session's provider lists follow the entry order, with empty extra values.
    EXPECT_EQ(Session().CareProviderIds(),
              (QStringList{QStringLiteral("12"), QStringLiteral("15"), QStringLiteral("18")}));
    EXPECT_EQ(Session().CareProviderExtras(), (QStringList{QString(), QString(), QString()}));
    EXPECT_EQ(Session().QueryPhysicianId(), QStringLiteral("12"));
    EXPECT_EQ(Session().QueryLocationId(), QStringLiteral("All"));

    // The demo practice has transcribed reports in that range: the list is full and every
    // action of the transcribed list is available.
    EXPECT_GT(page.List()->Model()->rowCount(), 0);
    EXPECT_EQ(Session().ListHasRecords(), 1);
    EXPECT_EQ(page.State().ReportTypeCode, QStringLiteral("t"));
    EXPECT_EQ(page.State().LastQuery.providerText, QStringLiteral("Dr. Amelia Hart [12]"));
    for (const char* id :
         {"ctl210", "ctl201", "ctl202", "ctl203", "ctl204", "ctl207", "ctl206", "ctl208", "ctl212"}) {
        EXPECT_TRUE(Button(id)->isEnabled()) << id;
    }
    EXPECT_TRUE(PromptsDouble::Current().ShownTexts().isEmpty());
    EXPECT_EQ(page.State().SignaturePatterns.size(), 4);

    // The start-up steps in their order, the request address and the list file's removal.
    const QStringList messages = log.Messages();
    const QString folder = Session().SystemFolder();
    const QStringList expectedOrder{
        QStringLiteral("OnInitDialog: Created Image list..."),
        QStringLiteral("OnInitDialog: String parsed and stored..."),
        QStringLiteral("OnInitDialog: List column headers created..."),
        QStringLiteral("OnInitDialog: Winsys path, ") + folder,
        QStringLiteral("OnInitDialog: Fetching file from, ") + folder + QStringLiteral("/BkImage.bmp"),
        QStringLiteral("OnInitDialog: Background image set..."),
        QStringLiteral("OnInitDialog: Image list set..."),
        QStringLiteral("OnInitDialog: Icons set for controls..."),
        QStringLiteral("OnInitDialog: Values cleared from controls..."),
        QStringLiteral("OnInitDialog: Value being displayed"),
        QStringLiteral("OnInitDialog: Present date and time"),
        QStringLiteral("OnInitDialog: Transcribed, default value being set..."),
        QStringLiteral(
            "OnInitDialog: Transcribed documents should by default display the last 30 days from newest "
            "to oldest..."),
        QStringLiteral("OnInitDialog: Present date, ") + Iso(QDate::currentDate()),
        QStringLiteral("OnInitDialog: Previous date, ") + Iso(DefaultFrom()),
        QStringLiteral("OnButtonViewlist: Filelist download url, ") + server_.BaseUrl() +
            QStringLiteral("qm_download_filelist.php?") +
            DefaultQuery(QStringLiteral("12"), QStringLiteral("All"), QStringLiteral("t")),
    };
    qsizetype at = 0;
    for (const QString& expected : expectedOrder) {
        const qsizetype found = messages.indexOf(expected, at);
        ASSERT_GE(found, 0) << "missing or out of order: " << expected.toStdString();
        at = found + 1;
    }
    const QString listFile = Session().LastFileListName();
    EXPECT_TRUE(messages.contains(QStringLiteral("File, ") + listFile + QStringLiteral(", deleted")));
    EXPECT_FALSE(QFile::exists(listFile));
}

TEST_F(StartupTest, OneProviderSessionShowsOnlyThatProviderAndItsOnlyLocation) {
    Session().SetLoggedUserId(QStringLiteral("90"));
    Session().SetPhysicianList(QStringLiteral("18~Dr. Nina Kowalski"));
    Start();

    EXPECT_EQ(Items(Box("ctl209")), QStringList{QStringLiteral("Dr. Nina Kowalski [18]")});
    EXPECT_EQ(Box("ctl209")->currentIndex(), 0);
    EXPECT_EQ(Items(Box("ctl211")), QStringList{QStringLiteral("East Office [5]")});
    EXPECT_EQ(Box("ctl211")->currentIndex(), 0);
    const QString query = ListQueries().value(0);
    EXPECT_EQ(query,
              QStringLiteral("loginuserid=90&physicianid=18&locationid=5&fromdate=%1&todate=%2&reporttype=t")
                  .arg(Iso(DefaultFrom()), Iso(QDate::currentDate())));
}

TEST_F(StartupTest, UserWhoIsNoProviderStartsWithAllProvidersAndTheirLocationsOnce) {
    Session().SetLoggedUserId(QStringLiteral("90"));
    Session().SetPhysicianList(QStringLiteral("12~Dr. Amelia Hart|15~Dr. Rafael Ortiz"));
    Start();

    EXPECT_EQ(Box("ctl209")->currentText(), QStringLiteral("All Providers[All]"));
    EXPECT_EQ(Items(Box("ctl211")),
              (QStringList{QStringLiteral("All Locations [All]"), QStringLiteral("North Clinic [3]"),
                           QStringLiteral("South Clinic [4]"), QStringLiteral("East Office [5]")}));
    EXPECT_EQ(Box("ctl211")->currentText(), QStringLiteral("All Locations [All]"));
    EXPECT_TRUE(
        ListQueries().value(0).startsWith(QStringLiteral("loginuserid=90&physicianid=All&locationid=All&")));
    EXPECT_EQ(Session().QueryPhysicianId(), QStringLiteral("All"));
}

TEST_F(StartupTest, LocationWithoutNameEndsItsProvidersLocations) {
    Session().SetLocationList(QStringLiteral("[12]3~North Clinic|7|4~South Clinic[15]5~East Office"));
    Session().SetPhysicianList(QStringLiteral("12~Dr. Amelia Hart|15~Dr. Rafael Ortiz"));
    Start();

    // Provider 12 keeps only the location before the nameless one, so that one stands alone.
    EXPECT_EQ(Items(Box("ctl211")), QStringList{QStringLiteral("North Clinic [3]")});
    EXPECT_TRUE(ListQueries().value(0).contains(QStringLiteral("&physicianid=12&locationid=3&")));

    ChooseProvider(QStringLiteral("All Providers[All]"));
    EXPECT_EQ(Box("ctl211")->currentText(), QStringLiteral("All Locations [All]"));
    EXPECT_EQ(Items(Box("ctl211")),
              (QStringList{QStringLiteral("All Locations [All]"), QStringLiteral("North Clinic [3]"),
                           QStringLiteral("South Clinic [4]"), QStringLiteral("East Office [5]")}));
    ChooseProvider(QStringLiteral("Dr. Rafael Ortiz [15]"));
    EXPECT_EQ(Items(Box("ctl211")), QStringList{QStringLiteral("East Office [5]")});
}
