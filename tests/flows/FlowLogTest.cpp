// What the flows write to the activity log and the refusals they show, word for word.
#include "tests/flows/FlowsFixture.h"

using FlowLog = FlowsFixture;

TEST_F(FlowLog, EachCommandLogsItsSteps) {
    // Each command on another's report (user 12 may print and edit it); E-Sign on the user's own.
    struct Case {
        const char* button;
        QStringList lines;
    };
    const QList<Case> cases{
        {"openButton",
         {"OnPopOpen: File selected to view, R260004", "OnPopOpen: Start file download",
          "OnPopOpen: End file download", "OnPopOpen: File, R260004, downloaded",
          "OnPopOpen:  not downloaded", "DocumentMonitoring: Selected the Item Pos",
          "DocumentMonitoring: pos != NULL ", "DocumentMonitoring: This is not the esign owner ",
          "DocumentMonitoring: Document modified "}},
        {"esignButton",
         {"OnPopEsign: File, R260019, selected for E-Sign", "OnPopEsign:  File, R260019 has to be downloaded",
          "OnPopEsign: Downloading files", "OnPopEsign: Finished downloading files",
          "OnPopEsign: Files taken up for E-Signing", "OnPopEsign: Update successful"}},
        {"printButton",
         {"OnPopPrint: File, R260004, selected for printing",
          "OnPopPrint: File, R260004 has to be downloaded", "OnPopPrint: Downloading files",
          "OnPopPrint: Finished downloading files", "OnPopPrint: Files taken up for printing",
          "Document, R260004 printed successfully"}},
        {"demographicsButton",
         {"Reading the headers of list", "OnPopEditDemographics: File selected to edit demographic, R260004",
          "OnPopEditdemographics: Update successful"}},
    };
    Start();
    desktop_->SetHoldLock(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        const QString report = qstrcmp(c.button, "esignButton") == 0 ? kOwn : kOther;
        const LogCapture log;
        Select({report});
        if (qstrcmp(c.button, "demographicsButton") == 0) {
            WhenDemographicsShow();
        }
        Click(c.button);
        ASSERT_TRUE(NothingOpen());
        ASSERT_TRUE(WaitFor([&] { return log.Messages().contains(c.lines.last()); }));
        EXPECT_TRUE(InOrder(log.Messages(), c.lines));
        QFile::remove(Temp(report)); // the next command downloads afresh
    }
}

TEST_F(FlowLog, RefusalsAndFailuresSayWhy) {
    Start();
    page_->State().ReportTypeCode = u"p"_s;
    ExpectMessages("demographicsButton", {{{kOwn}, u"Click on play to play voice files."_s}});
    ExpectMessages("esignButton", {{{kOwn}, u"Click on Play to play voice files"_s}});
    page_->State().ReportTypeCode = u"t"_s;
    ExpectMessages("demographicsButton",
                   {{{}, u"Select a document to view."_s}, {{kReadOnly}, Denied("\"Edit\" documents")}});
    // Nothing comes down from the server.
    ASSERT_TRUE(server_.SetFault(u"status500"_s, kDownload));
    ExpectMessages("openButton", {{{kOther}, u"File/s R260004,  could not be downloaded."_s}});
    ExpectMessages("printButton", {{{kOther}, u"File/s R260004,  could not be printed."_s}});
    ExpectMessages("esignButton", {{{kOwn}, u"File/s R260019,  could not be e-Signed."_s}});
    ExpectMessages("demographicsButton", {{{kOther}, u"R260004.doc could not be downloaded."_s}});
    // A refused demographics upload shows the server's own text.
    ASSERT_TRUE(server_.ClearFaults());
    ASSERT_TRUE(server_.SetFault(u"refuse"_s, kResync));
    Answers();
    Select({kOther});
    WhenDemographicsShow();
    Click("demographicsButton");
    EXPECT_EQ(Shown().value(0), u"The report service cannot do this right now."_s);
}
