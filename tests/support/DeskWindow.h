#pragma once

// The report list window as a user drives it, on the demo practice's session.
#include "desk/CVelmoPropPage.h"
#include "host/core/SessionSettings.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "tests/support/JournalFields.h"
#include "tests/support/PromptsDouble.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/ServerFixture.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// Driving widgets as the user does, and what the user was shown.
template <class T = QWidget> T* In(QWidget& parent, const char* name) {
    T* w = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}
inline void Click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton);
}
inline void Click(QWidget& parent, const char* name) {
    Click(In(parent, name));
}
// What the window system delivers for a double click: press, release, double click, release.
inline void DoubleClick(QWidget* w, QPoint at) {
    QTest::mousePress(w, Qt::LeftButton, {}, at);
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);
    QTest::mouseDClick(w, Qt::LeftButton, {}, at);
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);
}
// Picks an entry as the user does (the box's activation notification runs).
inline void Choose(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
}
inline QStringList Entries(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items.append(box->itemText(i));
    }
    return items;
}
inline QStringList Shown() {
    return PromptsDouble::Current().ShownTexts();
}
// Exactly one message box was shown, with this text and icon.
inline void ExpectOneBox(const QString& text, Prompts::Icon icon) {
    ASSERT_EQ(Shown(), QStringList{text});
    EXPECT_EQ(PromptsDouble::Current().Shown()[0].icon, icon);
}
// With VELMO_DIALOG_SHOTS set to a folder, saves the widget's picture there (docs/ pictures).
inline void SaveShot(QWidget& widget, const QString& name) {
    if (const QString folder = qEnvironmentVariable("VELMO_DIALOG_SHOTS"); !folder.isEmpty()) {
        widget.grab().save(QDir(folder).filePath(name));
    }
}

inline const QString kDemoLocations =
    "[12]3~North Clinic|4~South Clinic[15]3~North Clinic|5~East Office[18]5~East Office";

// User 12 of the demo practice against this server.
inline void DemoSession(const StandInServer& server) {
    Session().Reset();
    Session().SetServerURL(server.BaseUrl());
    Session().SetLoggedUserId(QStringLiteral("12"));
    Session().SetPhysicianList(QStringLiteral("12~Dr. Amelia Hart|15~Dr. Rafael Ortiz|18~Dr. Nina Kowalski"));
    Session().SetLocationList(kDemoLocations);
}
// Shows a new window and runs its start (query, list, owed uploads) to the end, exactly once.
inline std::unique_ptr<CVelmoPropPage> ShowDesk() {
    auto page = std::make_unique<CVelmoPropPage>();
    page->resize(1024, 700);
    page->show();
    QSignalSpy finished(page.get(), &CVelmoPropPage::StartupFinished);
    page->OnInitDialog();
    EXPECT_TRUE(!finished.isEmpty() || finished.wait(20000));
    EXPECT_EQ(finished.size(), 1);
    return page;
}
