#pragma once

#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QSize>

// Push button drawn by itself: an image beside (or above) the caption, a grey copy of the image
// while the pointer is elsewhere, optional blue caption on hover, a choice of frames and a flat
// look. The caption stays the button's text, so it remains the accessible name even when it is
// not drawn.
class IconButton : public QPushButton {
    Q_OBJECT
public:
    enum FrameStyle { NoFrame = 0, ThinFrame = 1, SoftFrame = 2 };

    explicit IconButton(QWidget* parent = nullptr);
    IconButton(const QString& text, QWidget* parent = nullptr);

    // resource: e.g. ":/icons/open.svg" (SVG or any image Qt reads). The image shown while the
    // pointer is away is secondResource when given, else the grey copy when makeGrey, else the
    // image itself. An empty resource frees the images.
    void SetImage(const QString& resource, const QString& secondResource = {}, bool makeGrey = true);
    // Same from images already in memory; a null away image means "use the normal one".
    void SetImages(const QImage& normal, const QImage& away);
    void ClearImage();
    bool HasImage() const { return !normal_.isNull(); }
    // Size the images are drawn at; an empty size means the image's own (SVG: its view box).
    void SetImageSize(const QSize& size);

    void SetFlatLook(bool flat);          // no frame unless hovered or pressed
    void SetHoverTextColour(bool on);     // caption blue while hovered
    void SetFrameStyle(int style);        // 0 none, 1 thin 3-D, 2 soft edge
    void SetImageBesideText(bool beside); // false: image above text
    void SetFocusRect(bool on);           // draw the focus rectangle, inset 3 px
    void SetPushedLook(bool on);          // a checked button is filled with a half-tone pattern
    void SetCaptionShown(bool shown);     // false: image only; the caption stays the text
    bool IsHovering() const;

    // The image the button currently draws (normal while hovering, the away copy otherwise).
    QPixmap CurrentPixmap() const;

    // Every colour becomes (30 R + 59 G + 11 B) / 100 in all three channels (alpha kept); a
    // null image or one deeper than 32 bits per pixel is returned unchanged.
    static QImage GreyCopy(const QImage& image);
    // Loads an image resource at the given size (empty: natural size) for the device pixel
    // ratio; null when it cannot be read.
    static QImage LoadImage(const QString& resource, const QSize& size, qreal dpr = 1.0);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void SetHovering(bool on);
    QSize DrawnImageSize() const;
    void RebuildPixmaps();

    QImage normal_;
    QImage away_;
    QString resource_;
    QString secondResource_;
    bool makeGrey_ = true;
    QSize imageSize_;
    QPixmap normalPixmap_;
    QPixmap awayPixmap_;
    bool beside_ = true;
    int frameStyle_ = ThinFrame;
    bool flat_ = true;
    bool hoverTextColour_ = false;
    bool focusRect_ = false;
    bool pushedLook_ = false;
    bool captionShown_ = true;
    bool hovering_ = false;
};
