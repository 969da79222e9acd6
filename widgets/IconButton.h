#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QPushButton>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

// A push button that draws itself: a standard button frame with an icon or a bitmap and the
// caption beside it, in the pushed, disabled, default and focus states. The image is either an
// icon (drawn with its own transparency) or a bitmap with a colour key (the key shows the
// button face; when disabled the key is white, so the embossed image leaves it out).
class CIconButton : public QPushButton
{
    Q_OBJECT

public:
    static constexpr int kMargin{4};
    static constexpr int kSpacing{8};

    explicit CIconButton(QWidget* parent = nullptr);
    explicit CIconButton(const QString& caption, QWidget* parent = nullptr);

    // Loads the icon at path (a resource path or a file) at width x height and drops any
    // bitmap. False, keeping the previous image, when it cannot be loaded.
    bool SetIcon(const QString& path, int width, int height);

    // Loads the bitmap at path twice, once with the transparent colour replaced by the button
    // face and once by white, scales both to width x height and drops any icon. False, keeping
    // the previous image, when it cannot be loaded.
    bool SetBitmap(const QString& path, int width, int height, const QColor& transparent);

    // Makes this button the window's default button (Enter presses it) or not, and draws the
    // black default outline accordingly. Returns the previous flag.
    bool SetDefault(bool isDefault);

    // Explicit positions turn the automatic layout off; -1 centres on that axis. Each returns
    // the previous position.
    QPoint SetImagePosition(int x, int y);
    QPoint SetCaptionPosition(int x, int y);

    // Where the next paint puts the image (empty without one), the caption's text box (empty
    // without a caption) and the focus rectangle, for the present size and pushed state.
    QRect ImageRect() const;
    QRect CaptionRect() const;
    QRect FocusRect() const;

    // Room for the layout that paint draws: margin, image, spacing, caption and as much again
    // on the right as the margin and spacing take on the left, inside the default outline.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool HasImage() const;
    QSize CaptionSize() const;
    void DrawFrame(QPainter& painter, QRect& rect) const;
    void DrawImage(QPainter& painter) const;
    void DrawCaption(QPainter& painter) const;
    void DrawFocus(QPainter& painter) const;
    void DrawEmbossed(QPainter& painter, const QPoint& at, const QImage& image) const;

    bool m_autoLayout{true};
    QPoint m_imagePosition{-1, -1};
    QPoint m_captionPosition{-1, -1};
    QImage m_icon;
    QImage m_normalBitmap;
    QImage m_disabledBitmap;
    QSize m_imageSize;
    bool m_default{false};
};
