#pragma once

// Every wait the desk keeps lives here, named, in milliseconds. Two tables fill it: the fixed
// pacing (a wait before each download, after each print, between the small steps of an action;
// they set when requests reach the server) and the lean one this desk runs with by default,
// where only the waits that do something on Linux survive. A server that proves to need the
// pacing gets all of it back with UseFixedWaits(true). Tests set everything to zero.
//
// The fields have no initialisers on purpose: both tables in Delays.cpp name every field (the
// compiler refuses a table that misses one), and ZeroAll's value-initialisation reaches them all.
struct Delays {
    int beforeZippedDownload;   // please-wait list jobs and CFileDownloads::DownloadFiles
    int beforeDocumentDownload; // report list window document download, per document
    int beforeListFileDelete;   // LoadFileList, after closing the list file
    int noResultCheck;          // period of timer 101 after a query
    int folderCleanup;          // between the folder clean-ups at window destruction
    // The document monitor's look at whether the word processor still holds the file: every
    // monitorPoll ms where no file notification can be had, else every monitorNotifiedPoll ms
    // (never more often than monitorPoll), the notification doing the real work.
    int monitorPoll;
    int monitorNotifiedPoll;

    // The word-processor sequences.
    int afterPrint;         // after a print job has been handed over
    int afterSignSave;      // after saving a signed document, before closing it
    int afterPropertyWrite; // after writing document properties through the scratch file

    // The document actions.
    int actionStep;                // between the small steps of open, e-sign and print
    int beforeOpenStatus;          // before open starts its status worker
    int afterMonitorEsign;         // after the monitor's e-sign, before it clears the document
    int afterDemographicsDownload; // edit demographics, after fetching a missing document

    // Voice playback: after the download, and after the converter has ended.
    int voiceStep;
    // Voice playback: a converter still working after this long is named in the status line.
    int convertingNotice;
    // Document history: after fetching an earlier version, and after moving it into place.
    int versionStep;

    // The table in use; the lean one until UseFixedWaits(true).
    static Delays& Get();
    static const Delays& Fixed();
    static const Delays& Lean();
    // Restores every fixed wait (on) or goes back to the lean table (off). Called once at start,
    // from the --fixed-waits option or the settings file.
    static void UseFixedWaits(bool on);
    // How the document monitor learns that LibreOffice took or let go of a report: from the file
    // system's notifications, or by polling alone as it did with the fixed waits. A mode that
    // comes with the switch above, not a wait: ZeroAll leaves it as it is.
    enum class Monitoring { Notified, PollingAlone };
    static Monitoring MonitorMode();
    // Tests call this once; nothing in the product does.
    static void ZeroAll();
    // Blocks the calling thread for ms milliseconds; 0 returns at once.
    static void Wait(int ms);
};
