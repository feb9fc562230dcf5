#include "app/CVelmoCtrl.h"
#include "desk/CVelmoPropPage.h"
#include "host/core/SessionSettings.h"
#include "host/gui/AboutBox.h"
#include "host/gui/GuiPrompts.h"
#include "tests/support/WhenShown.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 10000; // upper bound for events to arrive; tests end as soon as they do

TEST(ControlWindow, TitleNamesTheSessionsServer) {
    for (const auto& [url, title] :
         {std::pair{"https://Reports.Example:8443/desk/", "Molve - reports.example"}, {"", "Molve"}}) {
        Session().SetServerURL(QString::fromLatin1(url));
        EXPECT_EQ(CVelmoCtrl().windowTitle(), QString::fromLatin1(title));
    }
}

TEST(ControlWindow, HostsOneReportListWindowInItsClientAreaInitialisedOnceAfterShowing) {
    CVelmoCtrl control;
    QSignalSpy finished(control.Page(), &CVelmoPropPage::StartupFinished);
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 0) << "not before the control is shown";
    control.show();
    ASSERT_TRUE(finished.wait(kWaitMs));
    ASSERT_EQ(control.findChildren<CVelmoPropPage*>().size(), 1);
    CVelmoPropPage* page = control.Page();
    const int top = control.ClientRect().top();
    EXPECT_GT(top, 0) << "the menu bar sits above the client area";
    for (const QSize size : {QSize(640, 480), QSize(1200, 900)}) {
        control.resize(size);
        EXPECT_EQ(page->geometry(), QRect(0, top, size.width(), size.height() - top));
    }
    control.hide();
    control.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 1);
}

TEST(AboutDialog, TitleVersionLineAndIcon) {
    AboutBox box;
    EXPECT_EQ(box.windowTitle(), "About Velmo Control");
    EXPECT_EQ(box.VersionLine()->text(), "Molve, Version 1.0.1.0");
    EXPECT_FALSE(box.IconLabel()->pixmap().isNull());
}

TEST(GuiMessageBoxes, ShownOnTheGuiThreadForAWorkerThatWaits) {
    GuiPrompts prompts;
    QString seen; // "title|text|icon|buttons|on GUI thread"
    const WhenShown<QMessageBox> driver([&seen](QMessageBox& box) {
        seen = QStringLiteral("%1|%2|%3|%4|%5")
                   .arg(box.windowTitle(), box.text())
                   .arg(box.icon())
                   .arg(box.standardButtons().toInt(), 0, 16)
                   .arg(box.thread() == QApplication::instance()->thread());
        box.button(QMessageBox::No)->click();
    });
    std::atomic<int> answer{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        answer = prompts.Show(
            Prompts::Box{"Delete the report?", "Molve", Prompts::Icon::Question, Prompts::Yes | Prompts::No});
        done = true;
    });
    const bool finished = QTest::qWaitFor([&] { return done.load(); }, kWaitMs); // the box runs in here
    worker.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(seen, QStringLiteral("Molve|Delete the report?|%1|%2|1")
                        .arg(QMessageBox::Question)
                        .arg((QMessageBox::Yes | QMessageBox::No).toInt(), 0, 16));
    EXPECT_EQ(answer.load(), Prompts::No);
}

} // namespace
