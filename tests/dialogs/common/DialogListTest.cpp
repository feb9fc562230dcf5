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

namespace {

using MakeDialog = std::function<std::unique_ptr<QDialog>()>;

template <class T> MakeDialog Make() {
    return [] { return std::make_unique<T>(); };
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

class DialogList : public PictureFolder,
                   public testing::WithParamInterface<std::pair<const char*, MakeDialog>> {};

TEST_P(DialogList, HasTheSystemFoldersBackgroundPicture) {
    const std::unique_ptr<QDialog> dialog = GetParam().second();
    const QList<CReportListCtrl*> lists = dialog->findChildren<CReportListCtrl*>();
    ASSERT_FALSE(lists.isEmpty());
    for (const CReportListCtrl* list : lists) {
        EXPECT_TRUE(list->HasBackgroundImage()) << list->objectName().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogList,
                         testing::Values(std::pair{"Fax", Make<CDlgFax>()},
                                         std::pair{"AddressBook", Make<CDlgAddressBook>()},
                                         std::pair{"AddCustomProperty", Make<CDlgAddCustomProperty>()},
                                         std::pair{"DocumentHistory", Make<CDlgDocumentHistory>()},
                                         std::pair{"RenameJobs", Make<CDlgRenameJobs>()}),
                         [](const auto& info) { return std::string(info.param.first); });

// The demographics list is a plain table: the picture is its base brush.
TEST_F(PictureFolder, EditDemographicsListHasItToo) {
    const CDlgEditDemographics dialog({"FirstName"}, {"Maria"}, "R1");
    const auto* list = dialog.findChild<QTableWidget*>();
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->palette().base().texture().isNull());
}

} // namespace
