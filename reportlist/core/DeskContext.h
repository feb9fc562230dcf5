#pragma once

#include "reportlist/core/WindowState.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

class QWidget;

// What an action may reach of the report list window. The window implements it and hands it
// to every action it runs; the actions live in documents/ and dialogs/ and never see the window
// itself. Everything here is for the GUI thread: a worker reaches it through RunOnGuiThread.
class DeskContext {
public:
    // The status columns of the report list, by their header tooltips.
    enum class StatusColumn { Opened = 1, Printed = 2, Faxed = 3, Forwarded = 4, Esigned = 5 };
    // The window's busy indicators (their control numbers beside them): the picture shown while a
    // document or dictation is fetched and handed over, the one shown while reports are signed or
    // printed, and the "Please wait" text.
    enum class Busy { DocumentPicture = 256, SignPrintPicture = 269, PleaseWaitText = 250 };

    virtual ~DeskContext() = default;

    virtual WindowState& State() = 0;

    // The list. Rows are indices in list (display) order.
    virtual QList<int> SelectedRows() const = 0;
    virtual int RowCount() const = 0;
    // The cell under the column captioned caption (trimmed, case-sensitive); empty when the
    // list has no such column.
    virtual QString CellText(int row, const QString& caption) const = 0;
    virtual QString Filename(int row) const = 0; // the "Filename" column's text
    virtual QString AccessFlags(int row) const = 0;
    virtual QString EsignOwner(int row) const = 0;
    virtual QStringList ColumnCaptions() const = 0; // display order, the row label first
    // Writes text into a status column of every selected row whose Filename is in names.
    virtual void SetStatusForSelected(StatusColumn column, const QStringList& names, const QString& text) = 0;
    virtual void DeleteAllRows() = 0;

    virtual void ShowBusy(Busy which, bool shown) = 0;
    virtual void RepaintNow() = 0;
    // A note in the window's status line (what went where, what is being worked on); it stays
    // until the next one. Empty clears it.
    virtual void ShowStatus(const QString& text) = 0;

    // "Go": the report query with the window's filters.
    virtual void RunQuery() = 0;
    // Replaces the list with a downloaded file list (deleting the file), without the query's
    // no-result check.
    virtual void LoadFileList(const QString& path) = 0;
    // A search's file list: it replaces the list, an empty one too ("No result found."), and the
    // window says above the list what was searched until a query replaces it. A search whose
    // list did not arrive changes nothing.
    virtual void LoadSearchResult(const QString& path, const QString& searched) = 0;
    // Fetches each named report into TempFolder as NAME.doc; sets DocumentChecksum from the
    // last document handled.
    virtual void DownloadDocuments(const QStringList& names) = 0;

    // The parent for the action's dialogs and message boxes.
    virtual QWidget* DialogParent() = 0;
};
