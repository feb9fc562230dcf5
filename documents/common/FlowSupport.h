#pragma once

#include "reportlist/core/DeskContext.h"

#include <QString>
#include <QStringList>

// Small pieces the document flows share.

// Ids and names from the server compare without regard to letter case.
bool SameText(const QString& a, const QString& b);
bool ContainsText(const QStringList& list, const QString& text);

// "A, B, " as the failure messages list names: each name followed by ", ".
QString NamesEachFollowedByComma(const QStringList& names);

// The row whose Filename is name (letter case ignored), -1 when the list has none.
int RowOfReport(DeskContext& desk, const QString& name);

// Fetches the named reports behind the busy picture: startLog, picture 256 shown, a short
// step, a repaint, the window's document download, the picture hidden, endLog. Nothing when
// names is empty.
void DownloadBehindBusyPicture(DeskContext& desk, const QStringList& names, const QString& startLog,
                               const QString& endLog);

// E-Sign's and Print's fetch of the taken names: each missing one logged as
// missingLogPrefix + name + " has to be downloaded" (a short step each), the missing ones
// fetched behind the busy picture between operation + ": Downloading files" and
// operation + ": Finished downloading files", and the names still missing then reported as
// "File/s A, B,  could not be " + failedVerb + ".". Returns the names whose document is there.
QStringList FetchDocumentsOrSay(DeskContext& desk, const QStringList& names, const QString& operation,
                                const QString& missingLogPrefix, const QString& failedVerb);

// Re-signing kept text that followed the earlier statement (an addendum typed after it) and put
// it above the revision statement: the physician is told, so nothing moves without a word.
void TellMovedText(const QString& name, const QString& movedText);
