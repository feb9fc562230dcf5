#include "widgets/IconButton.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QSvgRenderer>
#include <qdrawutil.h>

namespace {

// Images come from our own resources, but a button image larger than this is a mistake, not
// something worth allocating for.
constexpr int kMaxImageSide = 512;
constexpr int kImageTextGap = 3;
constexpr int kHorizontalPadding = 8;
constexpr int kVerticalPadding = 4;
constexpr int kFocusInset = 3;
const QColor kHoverCaption(0, 0, 255);

QSize Bounded(QSize size) {
    return size.boundedTo(QSize(kMaxImageSide, kMaxImageSide));
}

} // namespace

IconButton::IconButton(QWidget* parent) : QPushButton(parent) {}

IconButton::IconButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

QImage IconButton::GreyCopy(const QImage& image) {
    if (image.isNull() || image.depth() > 32) {
        return image;
    }
    const auto grey = [](QRgb c) {
        const int g = (30 * qRed(c) + 59 * qGreen(c) + 11 * qBlue(c)) / 100;
        return qRgba(g, g, g, qAlpha(c));
    };
    // Palette images: only the palette entries change.
    if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
        image.format() == QImage::Format_MonoLSB) {
        QImage out = image;
        QList<QRgb> table = out.colorTable();
        for (QRgb& entry : table) {
            entry = grey(entry);
        }
        out.setColorTable(table);
        return out;
    }
    // Work on straight (not premultiplied) colours so the formula sees the real values.
    QImage work = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < work.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(work.scanLine(y));
        for (int x = 0; x < work.width(); ++x) {
            line[x] = grey(line[x]);
        }
    }
    QImage out = work.convertToFormat(image.format());
    out.setDevicePixelRatio(image.devicePixelRatio());
    return out;
}

QImage IconButton::LoadImage(const QString& resource, const QSize& size, qreal dpr) {
    if (resource.isEmpty()) {
        return {};
    }
    if (dpr <= 0) {
        dpr = 1.0;
    }
    QImage image;
    if (QFileInfo(resource).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QSvgRenderer renderer(resource);
        if (!renderer.isValid()) {
            return {};
        }
        const QSize logical = Bounded(size.isEmpty() ? renderer.defaultSize() : size);
        if (logical.isEmpty()) {
            return {};
        }
        image = QImage(logical * dpr, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
    } else {
        QImageReader reader(resource);
        const QSize natural = reader.size();
        const QSize logical = Bounded(size.isEmpty() ? natural : size);
        if (logical.isEmpty()) {
            return {};
        }
        reader.setScaledSize(logical * dpr);
        image = reader.read();
        if (image.isNull()) {
            return {};
        }
    }
    image.setDevicePixelRatio(dpr);
    return image;
}

void IconButton::SetImage(const QString& resource, const QString& secondResource, bool makeGrey) {
    if (resource.isEmpty()) {
        ClearImage();
        return;
    }
    resource_ = resource;
    secondResource_ = secondResource;
    makeGrey_ = makeGrey;
    const qreal dpr = devicePixelRatioF();
    normal_ = LoadImage(resource, imageSize_, dpr);
    if (!secondResource.isEmpty()) {
        away_ = LoadImage(secondResource,
                          normal_.isNull() ? imageSize_ : normal_.deviceIndependentSize().toSize(), dpr);
    } else if (makeGrey) {
        away_ = GreyCopy(normal_);
    } else {
        away_ = QImage();
    }
    RebuildPixmaps();
}

void IconButton::SetImages(const QImage& normal, const QImage& away) {
    resource_.clear();
    secondResource_.clear();
    normal_ = normal;
    away_ = away;
    RebuildPixmaps();
}

void IconButton::ClearImage() {
    resource_.clear();
    secondResource_.clear();
    normal_ = QImage();
    away_ = QImage();
    RebuildPixmaps();
}

void IconButton::SetImageSize(const QSize& size) {
    imageSize_ = size;
    if (!resource_.isEmpty()) {
        SetImage(resource_, secondResource_, makeGrey_);
    }
}

void IconButton::RebuildPixmaps() {
    normalPixmap_ = normal_.isNull() ? QPixmap() : QPixmap::fromImage(normal_);
    awayPixmap_ = away_.isNull() ? QPixmap() : QPixmap::fromImage(away_);
    updateGeometry();
    update();
}

void IconButton::SetFlatLook(bool flat) {
    flat_ = flat;
    update();
}

void IconButton::SetHoverTextColour(bool on) {
    hoverTextColour_ = on;
    update();
}

void IconButton::SetFrameStyle(int style) {
    frameStyle_ = (style >= NoFrame && style <= SoftFrame) ? style : ThinFrame;
    update();
}

void IconButton::SetImageBesideText(bool beside) {
    beside_ = beside;
    updateGeometry();
    update();
}

void IconButton::SetFocusRect(bool on) {
    focusRect_ = on;
    update();
}

void IconButton::SetPushedLook(bool on) {
    pushedLook_ = on;
    update();
}

void IconButton::SetCaptionShown(bool shown) {
    captionShown_ = shown;
    updateGeometry();
    update();
}

bool IconButton::IsHovering() const {
    return hovering_;
}

QPixmap IconButton::CurrentPixmap() const {
    if (hovering_ || awayPixmap_.isNull()) {
        return normalPixmap_;
    }
    return awayPixmap_;
}

void IconButton::SetHovering(bool on) {
    if (hovering_ == on) {
        return;
    }
    hovering_ = on;
    update();
}

void IconButton::enterEvent(QEnterEvent* event) {
    if (isEnabled()) {
        SetHovering(true);
    }
    QPushButton::enterEvent(event);
}

void IconButton::leaveEvent(QEvent* event) {
    SetHovering(false);
    QPushButton::leaveEvent(event);
}

void IconButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        SetHovering(isEnabled() && underMouse());
    }
    QPushButton::changeEvent(event);
}

void IconButton::hideEvent(QHideEvent* event) {
    SetHovering(false);
    QPushButton::hideEvent(event);
}

QSize IconButton::DrawnImageSize() const {
    return normalPixmap_.isNull() ? QSize() : normalPixmap_.deviceIndependentSize().toSize();
}

QSize IconButton::sizeHint() const {
    const QSize image = DrawnImageSize();
    const bool caption = captionShown_ && !text().isEmpty();
    const QSize textSize = caption ? fontMetrics().size(Qt::TextShowMnemonic, text()) : QSize();
    QSize content;
    if (image.isEmpty()) {
        content = textSize;
    } else if (!caption) {
        content = image;
    } else if (beside_) {
        content = QSize(image.width() + kImageTextGap + textSize.width(),
                        std::max(image.height(), textSize.height()));
    } else {
        content = QSize(std::max(image.width(), textSize.width()),
                        image.height() + kImageTextGap + textSize.height());
    }
    return content + QSize(2 * kHorizontalPadding, 2 * kVerticalPadding);
}

QSize IconButton::minimumSizeHint() const {
    return sizeHint();
}

void IconButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect area = rect();
    const bool enabled = isEnabled();
    const bool pressed = isDown() || (isCheckable() && isChecked());
    const QPalette& pal = palette();

    painter.fillRect(area, pal.button());
    if (pushedLook_ && isCheckable() && isChecked()) {
        painter.fillRect(area, QBrush(pal.color(QPalette::Light), Qt::Dense4Pattern));
    }

    const bool frame = frameStyle_ != NoFrame && (flat_ ? (enabled && (hovering_ || pressed)) : true);
    if (frame) {
        if (frameStyle_ == ThinFrame) {
            qDrawShadeRect(&painter, area, pal, pressed, 1);
        } else {
            qDrawWinPanel(&painter, area, pal, pressed);
        }
    }

    // Lay out image and caption as one centred block.
    const QSize image = DrawnImageSize();
    const bool caption = captionShown_ && !text().isEmpty();
    const int mnemonic = style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, this)
                             ? Qt::TextShowMnemonic
                             : Qt::TextHideMnemonic;
    const QSize textSize = caption ? fontMetrics().size(Qt::TextShowMnemonic, text()) : QSize();
    const QPoint centre = area.center() + QPoint(pressed ? 1 : 0, pressed ? 1 : 0);

    QRect imageRect;
    QRect textRect;
    if (!image.isEmpty() && caption && beside_) {
        const int width = image.width() + kImageTextGap + textSize.width();
        const int left = centre.x() - width / 2;
        imageRect = QRect(QPoint(left, centre.y() - image.height() / 2), image);
        textRect = QRect(QPoint(imageRect.right() + 1 + kImageTextGap, centre.y() - textSize.height() / 2),
                         textSize);
    } else if (!image.isEmpty() && caption) {
        const int height = image.height() + kImageTextGap + textSize.height();
        const int top = centre.y() - height / 2;
        imageRect = QRect(QPoint(centre.x() - image.width() / 2, top), image);
        textRect = QRect(QPoint(centre.x() - textSize.width() / 2, imageRect.bottom() + 1 + kImageTextGap),
                         textSize);
    } else if (!image.isEmpty()) {
        imageRect = QRect(QPoint(centre.x() - image.width() / 2, centre.y() - image.height() / 2), image);
    } else if (caption) {
        textRect =
            QRect(QPoint(centre.x() - textSize.width() / 2, centre.y() - textSize.height() / 2), textSize);
    }

    if (!imageRect.isNull()) {
        if (enabled) {
            painter.drawPixmap(imageRect.topLeft(), CurrentPixmap());
        } else {
            QStyleOptionButton option;
            option.initFrom(this);
            painter.drawPixmap(imageRect.topLeft(),
                               style()->generatedIconPixmap(QIcon::Disabled, normalPixmap_, &option));
        }
    }
    if (caption) {
        QColor colour = pal.color(QPalette::Active, QPalette::ButtonText);
        if (!enabled) {
            colour = pal.color(QPalette::Disabled, QPalette::ButtonText);
        } else if (hoverTextColour_ && hovering_) {
            colour = kHoverCaption;
        }
        painter.setPen(colour);
        painter.drawText(textRect, Qt::AlignCenter | mnemonic, text());
    }

    if (focusRect_ && enabled && hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = area.adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
