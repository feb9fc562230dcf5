#pragma once

#include "reportlist/core/DeskContext.h"

#include <QStringList>

// E-signing: a signature statement written at the end of the document (or a revision
// statement in place of an earlier one), then the e-sign upload. The command "E-Sign", the
// monitor after an edit and the demographics editor share the signing core.
class EsignDocuments final {
public:
    explicit EsignDocuments(DeskContext& desk) : desk_(desk) {}

    // "E-Sign": checks, downloads, then EsignFiles.
    void OnPopEsign();
    // Signs the closed documents named and uploads them; answers the names the server confirmed.
    QStringList EsignFiles(const QStringList& names);
    // The re-sign after a demographics edit: no message, and an unsigned copy is not uploaded.
    // (It was EsignFiles with the window's DemographicsResign flag set around the call.)
    QStringList ResignAfterDemographics(const QStringList& names);
    // Re-signs the document the word processor just released (the monitor); sets
    // DocumentChecksum from the saved file.
    QStringList EsignWatchedFile(const QStringList& names);

private:
    enum class Mode { Command, DemographicsResign, WatchedFile };
    QStringList Sign(const QStringList& names, Mode mode);

    DeskContext& desk_;
};
