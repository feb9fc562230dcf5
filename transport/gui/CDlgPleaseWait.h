#pragma once

#include "transport/DownloadFileList.h"

#include <QDialog>
#include <QLabel>
#include <QString>
#include <QVBoxLayout>

// The small modal window behind which a zipped whole-answer download runs. exec() starts the
// job on a worker thread and returns once the job has ended and closed the dialog; the job
// writes its results before it asks for the close, and they are read after the modal loop.
class CDlgPleaseWait : public QDialog {
    Q_OBJECT
public:
    // The job mode that selects DownloadFileList (every caller uses it).
    static constexpr int kDownloadFileList = 1;

    explicit CDlgPleaseWait(QWidget* parent = nullptr); // no buttons, no close box
    void SetURL(const QString& url);
    void SetUserId(const QString& id);
    void SetJobMode(int mode);
    QString ResultPath() const;
    int exec() override;

    // The usual run: a file-list job for url behind the dialog; answers the unpacked file's path
    // (empty when nothing was unpacked).
    static QString DownloadList(const QString& url, QWidget* parent = nullptr);

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel label_;
    QVBoxLayout layout_;
    FileListJob job_;
    int mode_ = 0;
    bool jobRunning_ = false;
};
