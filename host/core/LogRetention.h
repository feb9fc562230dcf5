#pragma once

#include <QDate>
#include <QString>

// The activity logs hold names and search values of patients: they are kept for a number of days
// (the settings file's LogRetentionDays), not for ever.
namespace LogRetention {

// The day a log's file name (" Molve 04-Dec-2026") stands for; invalid for any other name.
QDate DayOfLogFile(const QString& fileName);
// Deletes the activity logs of ProfileFolder() + "Log/" dated more than days before today, each
// logged; 0 keeps every log. Answers how many went. At most kMaxLooked entries are looked at.
int RemoveOlderThan(int days, const QDate& today = QDate::currentDate());

inline constexpr int kMaxLooked = 10000;

} // namespace LogRetention
