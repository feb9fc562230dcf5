#include "widgets/TooltipWindow.h"

namespace {
constexpr int kSideMargin = 2;
constexpr int kMaxTipWidth = 32767;
} // namespace

TooltipWindow::TooltipWindow(QWidget* owner, bool bordered)
    : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                        Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
    setAutoFillBackground(true);
    setMaximumWidth(kMaxTipWidth);
    setContentsMargins(kSideMargin, 0, kSideMargin, 0);
    setMargin(0);
    if (bordered) {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
    setAccessibleName(QStringLiteral("tooltip"));
}

void TooltipWindow::ShowText(const QString& text, const QPoint& globalPos, const QFont& font,
                             bool highlighted) {
    const QPalette source = parentWidget() ? parentWidget()->palette() : palette();
    QPalette pal = palette();
    pal.setColor(QPalette::Window, source.color(highlighted ? QPalette::Highlight : QPalette::Base));
    pal.setColor(QPalette::WindowText,
                 source.color(highlighted ? QPalette::HighlightedText : QPalette::Text));
    setPalette(pal);
    setFont(font);
    setText(text);
    adjustSize();
    move(globalPos);
    if (!isVisible()) {
        show();
    }
    raise();
}
