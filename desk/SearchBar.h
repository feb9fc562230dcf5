#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class QPushButton;

// The bar above the list while it shows a search result: what was searched, so a search result
// is never taken for the list of the filters above it, and the way back to that list.
class SearchBar final : public QFrame {
    Q_OBJECT
public:
    explicit SearchBar(QWidget* parent = nullptr);

    // "Search: " + searched, and the bar shows.
    void ShowSearch(const QString& searched);
    void Leave(); // hides the bar: the list is the filters' again
    bool Showing() const { return !searched_.isEmpty(); }
    QString Text() const;
    QPushButton* BackButton() const { return back_; }

signals:
    void BackRequested();

private:
    QLabel* text_ = nullptr;
    QPushButton* back_ = nullptr;
    QString searched_;
};
