#include "widgets/IconButton.h"

#include <algorithm>

#include <QFontMetrics>
#include <QIcon>
#include <QList>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

// The image with colourKey replaced by to, scaled by pixel replication so that the key
// replacement survives the scaling unblended.
QImage MappedBitmap(const QImage& source, QRgb colourKey, QRgb to, const QSize& size)
{
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::replace_if(
            line, line + image.width(),
            [colourKey](QRgb pixel) { return (pixel & RGB_MASK) == (colourKey & RGB_MASK); }, to);
    }
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// One colour wherever the image is opaque and not white; white counts as background, as in
// the monochrome conversion of the classic disabled look.
QImage Silhouette(const QImage& image, const QColor& colour)
{
    QImage source = image.convertToFormat(QImage::Format_ARGB32);
    QImage result{source.size(), QImage::Format_ARGB32};
    result.fill(Qt::transparent);
    const QRgb ink = colour.rgba();
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            if (qAlpha(in[x]) >= 128 && (in[x] & RGB_MASK) != RGB_MASK) {
                out[x] = ink;
            }
        }
    }
    return result;
}

int CentredOffset(int outer, int inner)
{
    return (outer - inner) / 2;
}

} // namespace

CIconButton::CIconButton(QWidget* parent) : CIconButton(QString{}, parent) {}

CIconButton::CIconButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    // Enter goes to the button made default with SetDefault, not to whichever has the focus.
    setAutoDefault(false);
}

bool CIconButton::SetIcon(const QString& path, int width, int height)
{
    if (width <= 0 || height <= 0) {
        return false;
    }
    const QSize size{width, height};
    const QIcon icon{path};
    const QPixmap pixmap = icon.isNull() ? QPixmap{} : icon.pixmap(size, 1.0);
    if (pixmap.isNull()) {
        return false;
    }
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.size() != size) {
        image = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    m_icon = image;
    m_normalBitmap = {};
    m_disabledBitmap = {};
    m_imageSize = size;
    updateGeometry();
    update();
    return true;
}

bool CIconButton::SetBitmap(const QString& path, int width, int height, const QColor& transparent)
{
    if (width <= 0 || height <= 0) {
        return false;
    }
    const QImage source{path};
    if (source.isNull()) {
        return false;
    }
    const QSize size{width, height};
    const QRgb face = palette().color(QPalette::Normal, QPalette::Button).rgb();
    QImage normal = MappedBitmap(source, transparent.rgb(), face, size);
    QImage disabled = MappedBitmap(source, transparent.rgb(), qRgb(255, 255, 255), size);
    if (normal.isNull() || disabled.isNull()) {
        return false;
    }
    m_normalBitmap = normal;
    m_disabledBitmap = disabled;
    m_icon = {};
    m_imageSize = size;
    updateGeometry();
    update();
    return true;
}

bool CIconButton::SetDefault(bool isDefault)
{
    const bool previous = m_default;
    m_default = isDefault;
    setDefault(isDefault);
    update();
    return previous;
}

QPoint CIconButton::SetImagePosition(int x, int y)
{
    const QPoint previous = m_imagePosition;
    m_imagePosition = {x, y};
    m_autoLayout = false;
    update();
    return previous;
}

QPoint CIconButton::SetCaptionPosition(int x, int y)
{
    const QPoint previous = m_captionPosition;
    m_captionPosition = {x, y};
    m_autoLayout = false;
    update();
    return previous;
}

bool CIconButton::HasImage() const
{
    return !m_icon.isNull() || !m_normalBitmap.isNull();
}

QSize CIconButton::CaptionSize() const
{
    return QFontMetrics{font()}.size(Qt::TextSingleLine | Qt::TextShowMnemonic, text());
}

QSize CIconButton::sizeHint() const
{
    const QSize standard = QPushButton::sizeHint();
    if (!HasImage()) {
        return standard;
    }
    const QSize caption = text().isEmpty() ? QSize{} : CaptionSize();
    // The default outline takes a pixel on either side.
    const int outline = 2;
    const int width = text().isEmpty() ? m_imageSize.width() + 2 * (kMargin + outline)
                                       : outline + kMargin + m_imageSize.width() + kSpacing +
                                             caption.width() + kSpacing + outline;
    const int height = std::max({standard.height(), m_imageSize.height() + 2 * (kMargin + outline),
                                 caption.height() + 2 * kMargin});
    return {std::max(width, standard.width()), height};
}

QSize CIconButton::minimumSizeHint() const
{
    return sizeHint();
}

QRect CIconButton::ImageRect() const
{
    if (!HasImage()) {
        return {};
    }
    const int centredX = CentredOffset(width(), m_imageSize.width());
    const int centredY = CentredOffset(height(), m_imageSize.height());
    QPoint at;
    if (m_autoLayout) {
        const int left = m_default ? 1 : 0;
        at = {text().isEmpty() ? centredX : left + kMargin, centredY};
    } else {
        at = {m_imagePosition.x() == -1 ? centredX : m_imagePosition.x(),
              m_imagePosition.y() == -1 ? centredY : m_imagePosition.y()};
    }
    if (isDown()) {
        at += QPoint{1, 1};
    }
    return {at, m_imageSize};
}

QRect CIconButton::CaptionRect() const
{
    if (text().isEmpty()) {
        return {};
    }
    const QSize size = CaptionSize();
    const int centredX = CentredOffset(width(), size.width());
    const int centredY = CentredOffset(height(), size.height()) - 1;
    QPoint at;
    if (m_autoLayout && HasImage()) {
        const int room = width() - kSpacing - m_imageSize.width() - kMargin - size.width();
        at = {kMargin + m_imageSize.width() + kSpacing + std::max(room, 0) / 2, centredY};
    } else if (m_autoLayout) {
        at = {centredX, centredY};
    } else {
        at = {m_captionPosition.x() == -1 ? centredX : m_captionPosition.x(),
              m_captionPosition.y() == -1 ? centredY : m_captionPosition.y()};
    }
    if (isDown()) {
        at += QPoint{1, 1};
    }
    return {at, size};
}

QRect CIconButton::FocusRect() const
{
    const int smaller = std::min(width(), height());
    const int inset = (smaller & ~3) < 13 ? smaller / 4 : 3;
    return rect().adjusted(inset, inset, -inset, -inset);
}

void CIconButton::paintEvent(QPaintEvent*)
{
    QPainter painter{this};
    QRect face = rect();
    DrawFrame(painter, face);
    if (HasImage()) {
        DrawImage(painter);
    }
    if (!text().isEmpty()) {
        DrawCaption(painter);
    }
    if (isEnabled() && hasFocus()) {
        DrawFocus(painter);
    }
}

void CIconButton::DrawFrame(QPainter& painter, QRect& rect) const
{
    if (m_default) {
        painter.setPen(QPen{Qt::black, 0});
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        rect.adjust(1, 1, -1, -1);
    }
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = rect;
    option.features = QStyleOptionButton::None;
    // The focus rectangle is drawn here, not by the style.
    option.state &= ~QStyle::State_HasFocus;
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
}

void CIconButton::DrawImage(QPainter& painter) const
{
    const QPoint at = ImageRect().topLeft();
    const QImage& image =
        m_icon.isNull() ? (isEnabled() ? m_normalBitmap : m_disabledBitmap) : m_icon;
    if (isEnabled()) {
        painter.drawImage(at, image);
    } else {
        DrawEmbossed(painter, at, image);
    }
}

void CIconButton::DrawEmbossed(QPainter& painter, const QPoint& at, const QImage& image) const
{
    painter.drawImage(at + QPoint{1, 1}, Silhouette(image, palette().color(QPalette::Light)));
    painter.drawImage(at, Silhouette(image, palette().color(QPalette::Dark)));
}

void CIconButton::DrawCaption(QPainter& painter) const
{
    QStyleOptionButton option;
    option.initFrom(this);
    const bool underline = style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this) != 0;
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip |
                      (underline ? Qt::TextShowMnemonic : Qt::TextHideMnemonic);
    const QRect box = CaptionRect();
    painter.setFont(font());
    if (isEnabled()) {
        painter.setPen(palette().color(QPalette::ButtonText));
    } else {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(box.translated(1, 1), flags, text());
        painter.setPen(palette().color(QPalette::Dark));
    }
    painter.drawText(box, flags, text());
}

void CIconButton::DrawFocus(QPainter& painter) const
{
    const QRect focus = FocusRect();
    if (focus.isEmpty()) {
        return;
    }
    // Every other pixel of the outline, inverted: drawing it twice restores the face.
    QList<QPoint> points;
    const auto add = [&points, &focus](int x, int y) {
        if ((x - focus.left() + y - focus.top()) % 2 == 0) {
            points.append({x, y});
        }
    };
    for (int x = focus.left(); x <= focus.right(); ++x) {
        add(x, focus.top());
        if (focus.bottom() != focus.top()) {
            add(x, focus.bottom());
        }
    }
    for (int y = focus.top() + 1; y < focus.bottom(); ++y) {
        add(focus.left(), y);
        if (focus.right() != focus.left()) {
            add(focus.right(), y);
        }
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen{Qt::white, 0});
    painter.drawPoints(points.constData(), static_cast<int>(points.size()));
    painter.restore();
}
