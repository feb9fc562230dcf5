#include "widgets/IconButton.h"
#include "tests/widgets/Pointer.h"

#include <QAccessible>

namespace {

QImage Solid(const QColor& colour, int side = 16) {
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

template <class Test> QList<QPoint> PixelsWhere(const QImage& image, Test test) {
    QList<QPoint> found;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (test(QColor::fromRgba(image.pixel(x, y)))) {
                found.append(QPoint(x, y));
            }
        }
    }
    return found;
}

// Bounding box of the pixels that differ from the face colour at (1, 1).
QRect InkBox(const QImage& image) {
    const QColor face(image.pixel(1, 1));
    QRect box;
    for (const QPoint& p : PixelsWhere(image, [&face](const QColor& c) { return c != face; })) {
        box |= QRect(p, QSize(1, 1));
    }
    return box;
}

struct ShownButton {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    IconButton* button = nullptr;

    explicit ShownButton(const QString& caption) {
        button = new IconButton(caption, window.get());
        button->setGeometry(50, 40, 140, 40);
        ShowAt(*window, 300, 120);
    }
    void Enter() const { MovePointer(button, button->rect().center()); }
};

} // namespace

TEST(IconButtonGrey, EveryColourBecomesTheIntegerWeightedGreyExceptInDeepImages) {
    const auto grey = [](int r, int g, int b) { return (30 * r + 59 * g + 11 * b) / 100; };
    QImage image(4, 1, QImage::Format_ARGB32);
    const QRgb colours[] = {qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 255), qRgba(0, 0, 255, 255),
                            qRgba(10, 20, 30, 128)}; // straight alpha: colours stay as given
    for (int x = 0; x < 4; ++x) {
        image.setPixel(x, 0, colours[x]);
    }
    const QImage copy = IconButton::GreyCopy(image);
    ASSERT_EQ(copy.format(), QImage::Format_ARGB32);
    for (int x = 0; x < 4; ++x) {
        const int g = grey(qRed(colours[x]), qGreen(colours[x]), qBlue(colours[x]));
        EXPECT_EQ(copy.pixel(x, 0), qRgba(g, g, g, qAlpha(colours[x]))) << x;
    }
    EXPECT_EQ(QColor(copy.pixel(0, 0)), QColor(76, 76, 76)) << "7650 / 100, not rounded";
    EXPECT_EQ(image.pixel(0, 0), colours[0]) << "the source must stay untouched";

    // A palette image changes only its palette.
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(200, 100, 50), qRgb(0, 0, 0)});
    indexed.setPixel(0, 0, 1);
    indexed.setPixel(1, 0, 0);
    const QImage greyIndexed = IconButton::GreyCopy(indexed);
    ASSERT_EQ(greyIndexed.format(), QImage::Format_Indexed8);
    EXPECT_EQ(greyIndexed.pixelIndex(0, 0), 1);
    const int g = grey(200, 100, 50);
    EXPECT_EQ(greyIndexed.colorTable(), (QList<QRgb>{qRgb(g, g, g), qRgb(0, 0, 0)}));
    // More than 32 bits a pixel keeps its colours.
    EXPECT_EQ(QColor(IconButton::GreyCopy(Solid(Qt::red).convertToFormat(QImage::Format_RGBA64)).pixel(1, 1)),
              QColor(255, 0, 0));
}

TEST(IconButtonImages, SetImageBuildsAGreyAwayCopyUnlessAskedNotTo) {
    IconButton button("&Open");
    button.SetImage(":/icons/open.svg");
    ASSERT_TRUE(button.HasImage());
    const QImage away = button.CurrentPixmap().toImage();
    ASSERT_EQ(away.deviceIndependentSize().toSize(), QSize(16, 16));
    const auto notGrey = [](const QColor& c) { return c.red() != c.green() || c.green() != c.blue(); };
    EXPECT_TRUE(PixelsWhere(away, notGrey).isEmpty());
    button.SetImage(":/icons/open.svg", {}, false);
    EXPECT_FALSE(PixelsWhere(button.CurrentPixmap().toImage(), notGrey).isEmpty());

    // The caption is the accessible name even when it is not drawn.
    button.SetCaptionShown(false);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&button);
    EXPECT_EQ(iface->text(QAccessible::Name), "Open");
    button.SetImage(QString());
    EXPECT_FALSE(button.HasImage());
    EXPECT_TRUE(button.CurrentPixmap().isNull());
}

TEST(IconButtonHover, EnterShowsTheNormalImageLeavingRestoresGreyAndACaptionAloneIsCentred) {
    ShownButton shown("Print");
    IconButton& button = *shown.button;
    button.SetImages(Solid(Qt::red), IconButton::GreyCopy(Solid(Qt::red)));
    QWidget other;
    other.move(600, 400);
    ShowAt(other, 100, 100);

    // Find the image by its grey ink, then watch that spot change.
    const QList<QPoint> greyInk =
        PixelsWhere(Grab(button), [](const QColor& c) { return c == QColor(76, 76, 76); });
    ASSERT_FALSE(greyInk.isEmpty()) << "the grey copy is not drawn while the pointer is away";
    const QPoint spot = greyInk.first() + QPoint(2, 2);
    EXPECT_FALSE(button.IsHovering());

    shown.Enter();
    EXPECT_TRUE(button.IsHovering());
    EXPECT_EQ(QColor(Grab(button).pixel(spot)), QColor(Qt::red));

    MovePointer(&other, QPoint(50, 50)); // straight onto another top-level window
    EXPECT_FALSE(button.IsHovering());
    EXPECT_EQ(QColor(Grab(button).pixel(spot)), QColor(76, 76, 76));

    shown.Enter();
    button.hide(); // no Leave arrives for a hidden button; it must not stay lit
    EXPECT_FALSE(button.IsHovering());

    // A caption without an image is drawn centred.
    button.show();
    button.SetImage(QString());
    button.SetFrameStyle(IconButton::NoFrame);
    MovePointer(&other, QPoint(50, 50));
    const QImage alone = Grab(button);
    const QRect aloneInk = InkBox(alone);
    ASSERT_TRUE(aloneInk.isValid());
    EXPECT_NEAR(QRectF(aloneInk).center().x(), QRectF(alone.rect()).center().x(), 2.0);
    EXPECT_NEAR(QRectF(aloneInk).center().y(), QRectF(alone.rect()).center().y(), 3.0);
}
