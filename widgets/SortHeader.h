#pragma once

#include <QHash>
#include <QHeaderView>
#include <QSet>

// Header of the report lists: keeps chosen columns at their width while locking is on and
// draws its own sort mark (an outlined triangle) on the sorted column.
class SortHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit SortHeader(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    // Column -1 clears the mark. A column in the no-mark set is remembered as sorted but gets no
    // mark, and no other column keeps one.
    void SetSortColumn(int column, bool ascending); // draws an outlined triangle mark
    int SortColumn() const;
    bool SortAscending() const;
    void SetNoMarkColumns(const QSet<int>& columns); // e.g. status columns 1..5 of the report list
    bool HasSortMark(int logicalIndex) const;

    void LockColumn(int index); // column 0 is locked from the start
    void UnlockColumn(int index);
    void SetLocking(bool on); // locked columns cannot be resized while on
    bool Locking() const { return locking_; }
    bool IsLocked(int index) const;

    // Rectangle of the mark inside a section rectangle of this header (for drawing and tests).
    QRect MarkRect(const QRect& sectionRect) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    void ApplyLocks();
    void PaintSortedSection(QPainter* painter, const QRect& rect, int logicalIndex) const;

    int sortColumn_ = -1;
    bool ascending_ = true;
    QSet<int> noMark_;
    QSet<int> locked_{0};
    bool locking_ = false;
    // Resize modes the locked sections had before locking turned on.
    QHash<int, QHeaderView::ResizeMode> savedModes_;
};
