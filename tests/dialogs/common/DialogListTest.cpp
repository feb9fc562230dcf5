// Every dialog's list is the one dialog list class, with the system folder's picture behind it.

#include "dialogs/addressbook/CDlgAddressBook.h"
#include "dialogs/customproperties/CDlgAddCustomProperty.h"
#include "dialogs/fax/CDlgFax.h"
#include "dialogs/history/CDlgDocumentHistory.h"
#include "dialogs/rename/CDlgRenameJobs.h"
#include "documents/demographics/CDlgEditDemographics.h"
#include "host/core/SessionSettings.h"
#include "reportlist/listctrl/CReportListCtrl.h"

#include <QDialog>
#include <QImage>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

namespace {

// A dialog by its name (the case's name in the test list) and how to make one.
struct Dialog {
    const char* name;
    std::function<std::unique_ptr<QDialog>()> make;
};
void PrintTo(const Dialog& d, std::ostream* os) {
    *os << d.name;
}
template <class T> Dialog Make(const char* name) {
    return {name, [] { return std::make_unique<T>(); }};
}

// A system folder holding the list picture.
class PictureFolder : public testing::Test {
protected:
    void SetUp() override {
        QImage tile(8, 8, QImage::Format_RGB32);
        tile.fill(Qt::yellow);
        ASSERT_TRUE(tile.save(system_.filePath("BkImage.bmp"), "BMP"));
        Session().SetSystemFolder(system_.path());
    }
    QTemporaryDir system_;
};

class DialogList : public PictureFolder, public testing::WithParamInterface<Dialog> {};

TEST_P(DialogList, HasTheSystemFoldersBackgroundPicture) {
    const std::unique_ptr<QDialog> dialog = GetParam().make();
    const QList<CReportListCtrl*> lists = dialog->findChildren<CReportListCtrl*>();
    ASSERT_FALSE(lists.isEmpty());
    for (const CReportListCtrl* list : lists) {
        EXPECT_TRUE(list->HasBackgroundImage()) << list->objectName().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogList,
                         testing::Values(Make<CDlgFax>("Fax"), Make<CDlgAddressBook>("AddressBook"),
                                         Make<CDlgAddCustomProperty>("AddCustomProperty"),
                                         Make<CDlgDocumentHistory>("DocumentHistory"),
                                         Make<CDlgRenameJobs>("RenameJobs")),
                         testing::PrintToStringParamName());

// The demographics list is a plain table: the picture is its base brush.
TEST_F(PictureFolder, EditDemographicsListHasItToo) {
    const CDlgEditDemographics dialog({"FirstName"}, {"Maria"}, "R1");
    const auto* list = dialog.findChild<QTableWidget*>();
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->palette().base().texture().isNull());
}

} // namespace
