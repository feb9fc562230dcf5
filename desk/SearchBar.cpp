#include "desk/SearchBar.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

SearchBar::SearchBar(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("searchBar"));
    setAccessibleName(QStringLiteral("Search result"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    // The colour of a notice, so the bar is seen before the rows under it are read.
    QPalette notice = palette();
    notice.setColor(QPalette::Window, QColor(255, 244, 196));
    notice.setColor(QPalette::WindowText, Qt::black);
    setPalette(notice);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 2, 2);
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/search.svg")).pixmap(QSize(16, 16)));
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("searchBarText"));
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    back_ = new QPushButton(QStringLiteral("Back to the &report list"), this);
    back_->setObjectName(QStringLiteral("searchBarBack"));
    back_->setAccessibleName(QStringLiteral("Back to the report list"));
    back_->setToolTip(QStringLiteral("Show the reports for the filters above (as Go does)"));
    back_->setAutoDefault(false);
    layout->addWidget(icon);
    layout->addWidget(text_, 1);
    layout->addWidget(back_);
    connect(back_, &QPushButton::clicked, this, &SearchBar::BackRequested);
    hide();
}

void SearchBar::ShowSearch(const QString& searched) {
    searched_ = searched;
    text_->setText(Text());
    show();
}

void SearchBar::Leave() {
    searched_.clear();
    text_->clear();
    hide();
}

QString SearchBar::Text() const {
    return searched_.isEmpty() ? QString() : QStringLiteral("Search: ") + searched_;
}
