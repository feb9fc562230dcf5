#pragma once

#include <QString>
#include <QWidget>

class QLabel;

// The window's status line: the last thing the desk did that shows nowhere else (what went to
// which printer, a fax queued, owed edits sent) or is still working on, and the server the desk
// talks to. A note stays until the next one replaces it.
class StatusLine final : public QWidget {
    Q_OBJECT
public:
    explicit StatusLine(QWidget* parent = nullptr);

    // Shown with the time it was given ("14:03  Sent to the printer ..."); empty clears.
    void SetNote(const QString& text);
    QString Note() const { return note_; } // as given, without the time
    void SetServer(const QString& host);
    QString ShownNote() const;
    QString ShownServer() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Elide();

    QLabel* noteLabel_ = nullptr;
    QLabel* serverLabel_ = nullptr;
    QString note_;
    QString stamped_;
};
