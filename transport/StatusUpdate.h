#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <thread>

// Tells the server that a report was opened, edited or printed ("qm_statusupdate.php").

// The request address for one report and field.
QString StatusUpdateUrl(const QString& reportName, const QString& field);

// Synchronous form (TLS): 1 when the answer holds "~" or no session could be opened, else 0.
int UpdateStatus(const QString& reportName, const QString& field);

// Worker form, on the calling thread: one request per name in order over the URL's own port
// without TLS; empty names are skipped. 0 when there are no names, else 1.
int UpdateStatusForNames(const QStringList& names, const QString& field);

// Starts the worker form on a thread of its own. selectedNames is called once, on that
// thread, and must be thread-safe (the window asks its GUI thread with a blocking queued
// call); it answers the file names of the selected rows in list order.
std::thread StartStatusUpdateWorker(std::function<QStringList()> selectedNames, const QString& field);
