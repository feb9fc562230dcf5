// The filter row wraps: on a narrow window the dates, the report type and "Go" go on a second
// row rather than squeezing the boxes until their texts are cut and the labels overlap.
#include "desk/CVelmoPropPage.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "ui_CVelmoPropPage.h"

#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>

namespace {

// The width a combo box needs to show text whole.
int ComboWidthFor(const QComboBox* box, const QString& text) {
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    const QSize contents(box->fontMetrics().horizontalAdvance(text), box->fontMetrics().height());
    return box->style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, box).width();
}

int WidestItemWidth(const QComboBox* box, const QString& atLeast) {
    int widest = ComboWidthFor(box, atLeast);
    for (int i = 0; i < box->count(); ++i) {
        widest = std::max(widest, ComboWidthFor(box, box->itemText(i)));
    }
    return widest;
}

} // namespace

void CVelmoPropPage::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ArrangeFilters();
}

int CVelmoPropPage::OneRowFilterWidth() const {
    // Every provider and location the boxes offer is shown whole; "All Locations [All]" is what
    // the location box holds for most choices, so the row does not jump when the provider changes.
    int people = 0;
    QHBoxLayout* row = ui_->filterPeople;
    for (int i = 0; i < row->count(); ++i) {
        QWidget* w = row->itemAt(i)->widget();
        if (w == ui_->providerBox) {
            people += WidestItemWidth(ui_->providerBox, {});
        } else if (w == ui_->locationBox) {
            people += WidestItemWidth(ui_->locationBox, QStringLiteral("All Locations [All]"));
        } else {
            people += row->itemAt(i)->sizeHint().width();
        }
    }
    people += row->spacing() * std::max(0, row->count() - 1);
    return people + ui_->filterArea->horizontalSpacing() + ui_->filterDates->sizeHint().width();
}

void CVelmoPropPage::ArrangeFilters() {
    const QMargins margins = ui_->pageLayout->contentsMargins();
    const bool wrap = width() - margins.left() - margins.right() < OneRowFilterWidth();
    QGridLayout* grid = ui_->filterArea;
    if (wrap == filtersWrapped_ && grid->indexOf(ui_->filterDates) >= 0) {
        return;
    }
    filtersWrapped_ = wrap;
    grid->removeItem(ui_->filterDates);
    if (wrap) {
        grid->addLayout(ui_->filterDates, 1, 0, Qt::AlignLeft);
    } else {
        grid->addLayout(ui_->filterDates, 0, 1);
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 0);
}

QSize CVelmoPropPage::SmallestSize() const {
    const QMargins margins = ui_->pageLayout->contentsMargins();
    int width = 0;
    for (const QLayout* row : std::initializer_list<const QLayout*>{ui_->filterPeople, ui_->filterDates,
                                                                    ui_->buttonRow, ui_->statusRow}) {
        width = std::max(width, row->minimumSize().width());
    }
    int height = ui_->pageLayout->totalMinimumSize().height();
    if (!filtersWrapped_) {
        height += ui_->filterDates->minimumSize().height() + ui_->filterArea->verticalSpacing();
    }
    return {width + margins.left() + margins.right(), height};
}
