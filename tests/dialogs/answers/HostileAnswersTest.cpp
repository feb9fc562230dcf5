// Broken and hostile answers of the server: over-long lines, huge name lists, and a failed
// download that must not pick up another feature's file.
#include "dialogs/customproperties/CDlgCustomProperties.h"
#include "dialogs/customproperties/CustomPropertyList.h"
#include "dialogs/customproperties/CustomPropertySettings.h"
#include "dialogs/fax/CDlgFax.h"
#include "dialogs/fax/ContactBook.h"
#include "dialogs/history/VersionList.h"
#include "dialogs/search/SearchNames.h"
#include "tests/support/FakeDesk.h"

#include <QTreeWidget>

namespace {

using FailedDownloads = ServerTest;

// A line just over 64 KiB whose tail would parse as a row of its own if it were cut.
QByteArray Overlong(const QByteArray& tail) {
    return QByteArray(64 * 1024 + 1 - tail.size(), 'x') + tail;
}

TEST(OverlongLines, AreSkippedWholeAndLoggedOncePerAnswer) {
    const QTemporaryDir dir;
    const struct {
        const char* answer;
        QByteArray first, tail, last;
        std::function<qsizetype(const QString&)> rows;
    } cases[] = {
        {"Version list", "R1.v1|a|b|R1.v1", "|R9.v9|c|d|R9.v9", "R1.v2|a|b|R1.v2",
         [](const QString& path) {
             QList<QStringList> rows;
             VersionList::Read(path, rows);
             return rows.size();
         }},
        {"Contact book", "101~Lakeside~Paul", "~999~Tail~Fax~x~y~555-9", "102~Harbor~Chloe",
         [](const QString& path) { return ContactBook::ReadLines(path).size(); }},
        {"Custom properties", "A~", "|Tail~", "C~",
         [](const QString& path) {
             const CustomPropertyList list = CustomPropertyList::Read(path);
             return list.available.size() + list.selected.size();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        const QString path =
            WriteFile(dir.filePath(c.answer), c.first + "\r\n" + Overlong(c.tail) + "\n" + c.last + "\n");
        const LogCapture log;
        EXPECT_EQ(c.rows(path), 2);
        EXPECT_EQ(log.Messages(),
                  QStringList{QString::fromLatin1(c.answer) + ": 1 line(s) longer than 65536 bytes skipped"});
    }
}

TEST(SearchNamesAnswer, KeepsTheFirstTenThousandNamesAndSaysSo) {
    QString huge;
    for (int i = 0; i < 20000; ++i) {
        huge += QStringLiteral(" N%1 ~").arg(i);
    }
    const LogCapture log;
    const QStringList names = SearchNames::Parse(huge);
    ASSERT_EQ(names.size(), SearchNames::kMaxNames);
    EXPECT_EQ(names.last(), QStringLiteral("N9999"));
    EXPECT_EQ(log.Messages().size(), 1);
    EXPECT_EQ(SearchNames::Parse(QStringLiteral("Last Name~MRN~~x")),
              (QStringList{"Last Name", "MRN", "~x"}));
    EXPECT_EQ(SearchNames::Parse(QStringLiteral("One")), QStringList{"One"});
}

// The fax dialog's contact book is gone once read, so a failed custom-properties download shows
// no contacts as properties; an order that cannot be sent is logged and shown with the stop icon.
TEST_F(FailedDownloads, NeverFallBackOnAnotherFeaturesFile) {
    {
        CDlgFax fax;
        fax.OnRefreshContacts();
        EXPECT_GT(fax.Contacts()->model()->rowCount(), 0);
        EXPECT_FALSE(QFile::exists(fax.AddressBookPath()));
    }
    EXPECT_TRUE(Session().LastFileListName().isEmpty());

    ASSERT_TRUE(server_.SetFault(QStringLiteral("status500")));
    FakeDesk desk;
    int shownRows = -1;
    WhenShown<CDlgCustomProperties> driver([&](CDlgCustomProperties& dialog) {
        shownRows = dialog.AvailableList()->topLevelItemCount() + dialog.SelectedList()->topLevelItemCount();
        dialog.accept();
    });
    const LogCapture log;
    CustomPropertySettings(desk).Run();
    EXPECT_EQ(shownRows, 0);
    EXPECT_TRUE(log.Messages().contains("CP re-ordering list could not be sent"));
    ASSERT_FALSE(PromptsDouble::Current().Shown().isEmpty());
    EXPECT_EQ(PromptsDouble::Current().Shown().last().icon, Prompts::Icon::Error);
}

} // namespace
