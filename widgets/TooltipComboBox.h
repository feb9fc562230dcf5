#pragma once

#include <QComboBox>
#include <QListView>

class TooltipWindow;
class QTimer;

// List view of a TooltipComboBox's drop-down: an entry wider than the list shows its whole
// text in a borderless tooltip over the entry.
class TooltipListView : public QListView {
    Q_OBJECT
public:
    explicit TooltipListView(QWidget* parent = nullptr);
    ~TooltipListView() override;

    bool TooltipVisible() const;
    QString TooltipText() const;
    // The tooltip decision for a point in viewport coordinates (what a mouse move does).
    void TrackPoint(const QPoint& viewportPos);
    // What the poll timer does: hides the tooltip once the pointer left the list or it closed.
    void CheckPointer();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void HideTip();

    TooltipWindow* tip_ = nullptr;
    QTimer* poll_ = nullptr;
};

// drop-down list that shows a too-wide text in a tooltip
class TooltipComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TooltipComboBox(QWidget* parent = nullptr);
    ~TooltipComboBox() override;

    // Drop-down width rule: widest item text + average char width + scroll bar + 2 frame
    // widths, never narrower than the box. Applied when the list drops down.
    int DropDownWidth() const;

    // The part of the box that shows the current text: the box less its drop-down button.
    QRect TextArea() const;
    bool TooltipVisible() const;
    QString TooltipText() const;
    TooltipListView* ListView() const { return list_; }
    // The tooltip decision for a point in widget coordinates (what a mouse move does).
    void TrackPoint(const QPoint& pos);
    // What the 80 ms poll does: hides the tooltip once the pointer left the text area.
    void CheckPointer();

    void showPopup() override;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void HideTip();

    TooltipListView* list_ = nullptr;
    TooltipWindow* tip_ = nullptr;
    QTimer* poll_ = nullptr;
};
