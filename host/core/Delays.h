#pragma once

// Every fixed wait the desk keeps lives here, named, so the product keeps its pacing and
// tests can set them all to zero. Values are milliseconds.
struct Delays {
    int beforeZippedDownload = 4000;   // please-wait list jobs and CFileDownloads::DownloadFiles
    int beforeDocumentDownload = 1000; // report list window document download, per document
    int beforeListFileDelete = 100;    // LoadFileList, after closing the list file
    int noResultCheck = 500;           // period of timer 101 after a query
    int folderCleanup = 300;           // between the folder clean-ups at window destruction
    int monitorPoll = 1000;            // document monitor polling

    static Delays& Get();
    // Tests call this once; nothing in the product does.
    static void ZeroAll();
    // Blocks the calling thread for ms milliseconds; 0 returns at once.
    static void Wait(int ms);
};
