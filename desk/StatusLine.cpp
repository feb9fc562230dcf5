#include "desk/StatusLine.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTime>

StatusLine::StatusLine(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("statusLine"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    noteLabel_ = new QLabel(this);
    noteLabel_->setObjectName(QStringLiteral("statusNote"));
    noteLabel_->setAccessibleName(QStringLiteral("Status"));
    noteLabel_->setTextFormat(Qt::PlainText);
    // A long note is cut to the room there is, never widening the window; its tooltip has it all.
    noteLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    serverLabel_ = new QLabel(this);
    serverLabel_->setObjectName(QStringLiteral("statusServer"));
    serverLabel_->setAccessibleName(QStringLiteral("Server"));
    serverLabel_->setTextFormat(Qt::PlainText);
    layout->addWidget(noteLabel_, 1);
    layout->addWidget(serverLabel_, 0, Qt::AlignRight);
}

void StatusLine::SetNote(const QString& text) {
    note_ = text;
    stamped_ = text.isEmpty()
                   ? QString()
                   : QTime::currentTime().toString(QStringLiteral("HH:mm")) + QStringLiteral("  ") + text;
    noteLabel_->setToolTip(stamped_);
    Elide();
}

void StatusLine::SetServer(const QString& host) {
    serverLabel_->setText(host.isEmpty() ? QString() : QStringLiteral("Server: ") + host);
}

QString StatusLine::ShownNote() const {
    return noteLabel_->text();
}

QString StatusLine::ShownServer() const {
    return serverLabel_->text();
}

void StatusLine::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Elide();
}

void StatusLine::Elide() {
    const int room = noteLabel_->width() > 0 ? noteLabel_->width() : width();
    noteLabel_->setText(noteLabel_->fontMetrics().elidedText(stamped_, Qt::ElideRight, room));
}
