#pragma once

// Every fixed wait the desk keeps lives here, named, so the product keeps its pacing and
// tests can set them all to zero. Values are milliseconds.
struct Delays {
    int beforeZippedDownload = 4000;   // please-wait list jobs and CFileDownloads::DownloadFiles
    int beforeDocumentDownload = 1000; // report list window document download, per document
    int beforeListFileDelete = 100;    // LoadFileList, after closing the list file
    int noResultCheck = 500;           // period of timer 101 after a query
    int folderCleanup = 300;           // between the folder clean-ups at window destruction
    int monitorPoll = 1000;            // document monitor polling while the word processor holds the file

    // The word-processor sequences.
    int afterPrint = 1000;        // after a print job has been handed over
    int afterSignSave = 200;      // after saving a signed document, before closing it
    int afterPropertyWrite = 500; // after writing document properties through the scratch file

    // The document actions.
    int actionStep = 100;                 // between the small steps of open, e-sign and print
    int beforeOpenStatus = 500;           // before open starts its status worker
    int afterMonitorEsign = 2000;         // after the monitor's e-sign, before it clears the document
    int afterDemographicsDownload = 1000; // edit demographics, after fetching a missing document

    // Voice playback: after the download, and after the converter has ended.
    int voiceStep = 1000;
    // Voice playback: a converter still working after this long is named in the status line.
    int convertingNotice = 1000;
    // Document history: after fetching an earlier version, and after moving it into place.
    int versionStep = 1000;

    static Delays& Get();
    // Tests call this once; nothing in the product does.
    static void ZeroAll();
    // Blocks the calling thread for ms milliseconds; 0 returns at once.
    static void Wait(int ms);
};
