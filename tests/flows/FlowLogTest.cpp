// What the flows write to the activity log and the refusals they show, word for word.
#include "tests/flows/FlowsFixture.h"

#include "tests/support/TodaysLog.h"

namespace {

using FlowLog = FlowsFixture;

// Each line appears in the log after the one before it, from offset on.
bool InOrder(const QString& log, qsizetype offset, const QStringList& lines) {
    for (const QString& line : lines) {
        offset = log.indexOf(line, offset);
        if (offset < 0) {
            ADD_FAILURE() << "not logged in order: " << line.toStdString();
            return false;
        }
        offset += line.size();
    }
    return true;
}

} // namespace

TEST_F(FlowLog, EachCommandLogsItsSteps) {
    struct Case {
        const char* button;
        QString report;
        QStringList lines;
    };
    const QList<Case> cases{
        {"openButton",
         kOther,
         {u"OnPopOpen: File selected to view, R260004"_s, u"OnPopOpen: Start file download"_s,
          u"OnPopOpen: End file download"_s, u"OnPopOpen: File, R260004, downloaded"_s,
          u"OnPopOpen:  not downloaded"_s, u"DocumentMonitoring: Selected the Item Pos"_s,
          u"DocumentMonitoring: pos != NULL "_s, u"DocumentMonitoring: This is not the esign owner "_s,
          u"DocumentMonitoring: Document modified "_s}},
        {"esignButton",
         kOwn,
         {u"OnPopEsign: File, R260019, selected for E-Sign"_s,
          u"OnPopEsign:  File, R260019 has to be downloaded"_s, u"OnPopEsign: Downloading files"_s,
          u"OnPopEsign: Finished downloading files"_s, u"OnPopEsign: Files taken up for E-Signing"_s,
          u"OnPopEsign: Update successful"_s}},
        {"printButton",
         kOther,
         {u"OnPopPrint: File, R260004, selected for printing"_s,
          u"OnPopPrint: File, R260004 has to be downloaded"_s, u"OnPopPrint: Downloading files"_s,
          u"OnPopPrint: Finished downloading files"_s, u"OnPopPrint: Files taken up for printing"_s,
          u"Document, R260004 printed successfully"_s}},
        {"demographicsButton",
         kOther,
         {u"Reading the headers of list"_s,
          u"OnPopEditDemographics: File selected to edit demographic, R260004"_s,
          u"OnPopEditdemographics: Update successful"_s}},
    };
    Start();
    desktop_->SetHoldLock(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        const qsizetype offset = TodaysLogText().size();
        Select({c.report});
        if (qstrcmp(c.button, "demographicsButton") == 0) {
            WhenDemographicsShow();
        }
        Click(c.button);
        ASSERT_TRUE(NothingOpen());
        ASSERT_TRUE(WaitFor([&] { return TodaysLogText().contains(c.lines.last()); }));
        EXPECT_TRUE(InOrder(TodaysLogText(), offset, c.lines));
        QFile::remove(Temp(c.report)); // the next command downloads afresh
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
