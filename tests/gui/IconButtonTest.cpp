#include "widgets/IconButton.h"

#include <memory>

#include <QDialog>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

namespace {

constexpr QRgb kBlue = 0xff0000ff;
constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kMagenta = 0xffff00ff;

QRgb Pixel(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xff000000;
}

QImage Render(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class IconButtonTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_iconPath;
    QString m_bitmapPath;

    // A button inside a shown, active window, so that it can take the focus.
    struct Shown
    {
        std::unique_ptr<QWidget> window;
        CIconButton* button{};
    };

    Shown ShowButton(const QSize& size, const QString& caption = {})
    {
        Shown shown{std::make_unique<QWidget>(), nullptr};
        shown.button = new CIconButton{caption, shown.window.get()};
        shown.button->setGeometry(QRect{QPoint{10, 10}, size});
        shown.window->resize(size + QSize{40, 40});
        shown.window->show();
        shown.window->activateWindow();
        if (!QTest::qWaitForWindowActive(shown.window.get())) {
            qFatal("test window not activated");
        }
        return shown;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QImage icon{16, 16, QImage::Format_ARGB32};
        icon.fill(kBlue);
        m_iconPath = m_dir.filePath("icon.png");
        QVERIFY(icon.save(m_iconPath));
        // Magenta is the transparent colour; a red square sits in the middle.
        QImage bitmap{16, 16, QImage::Format_RGB32};
        bitmap.fill(kMagenta);
        for (int y = 4; y < 12; ++y) {
            for (int x = 4; x < 12; ++x) {
                bitmap.setPixel(x, y, kRed);
            }
        }
        m_bitmapPath = m_dir.filePath("bitmap.png");
        QVERIFY(bitmap.save(m_bitmapPath));
    }

    void IconWithoutCaption_IsCentred()
    {
        CIconButton button;
        button.resize(60, 30);
        QVERIFY(button.SetIcon(m_iconPath, 16, 16));
        QCOMPARE(button.ImageRect(), QRect(22, 7, 16, 16));
        const QImage image = Render(button);
        QCOMPARE(Pixel(image, 22, 7), kBlue);
        QCOMPARE(Pixel(image, 37, 22), kBlue);
        QVERIFY(Pixel(image, 21, 7) != kBlue);
        QVERIFY(Pixel(image, 38, 22) != kBlue);
    }

    void IconIsScaledToTheRequestedSize()
    {
        CIconButton button;
        button.resize(60, 40);
        QVERIFY(button.SetIcon(m_iconPath, 32, 24));
        QCOMPARE(button.ImageRect(), QRect(14, 8, 32, 24));
        const QImage image = Render(button);
        QCOMPARE(Pixel(image, 14, 8), kBlue);
        QCOMPARE(Pixel(image, 45, 31), kBlue);
    }

    void IconWithCaption_SitsAtTheMarginWithTheCaptionAfterTheSpacing()
    {
        CIconButton button{"Synchronize now"};
        button.resize(200, 30);
        QVERIFY(button.SetIcon(m_iconPath, 16, 16));
        const QSize text = QFontMetrics{button.font()}.size(Qt::TextSingleLine, button.text());
        QCOMPARE(button.ImageRect(), QRect(4, 7, 16, 16));
        const int room = 200 - 8 - 16 - 4 - text.width();
        QCOMPARE(button.CaptionRect(),
                 QRect(QPoint{4 + 16 + 8 + room / 2, (30 - text.height()) / 2 - 1}, text));

        // The caption's ink lies inside its box, right of the image and its spacing.
        const QImage withCaption = Render(button);
        button.setText({});
        button.SetImagePosition(4, 7);
        const QImage withoutCaption = Render(button);
        const QRect box = QRect{QPoint{4 + 16 + 8 + room / 2, (30 - text.height()) / 2 - 1}, text};
        int inked = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 200; ++x) {
                if (withCaption.pixel(x, y) != withoutCaption.pixel(x, y)) {
                    QVERIFY2(box.contains(x, y), qPrintable(QString{"%1,%2"}.arg(x).arg(y)));
                    ++inked;
                }
            }
        }
        QVERIFY(inked > 0);
    }

    void LongCaption_StartsRightAfterTheSpacing()
    {
        CIconButton button{"A caption much wider than the button itself"};
        button.resize(80, 30);
        QVERIFY(button.SetIcon(m_iconPath, 16, 16));
        QCOMPARE(button.CaptionRect().left(), 4 + 16 + 8);
    }

    void CaptionWithoutImage_IsCentredOnePixelHigh()
    {
        CIconButton button{"Exit"};
        button.resize(100, 31);
        const QSize text = QFontMetrics{button.font()}.size(Qt::TextSingleLine, "Exit");
        QCOMPARE(button.CaptionRect(),
                 QRect(QPoint{(100 - text.width()) / 2, (31 - text.height()) / 2 - 1}, text));
        QVERIFY(button.ImageRect().isNull());
    }

    void ExplicitPositions_TurnAutoLayoutOffAndMinusOneCentres()
    {
        CIconButton button{"Compare"};
        button.resize(120, 40);
        QVERIFY(button.SetIcon(m_iconPath, 16, 16));
        QCOMPARE(button.SetImagePosition(2, 3), QPoint(-1, -1));
        QCOMPARE(button.ImageRect(), QRect(2, 3, 16, 16));
        QCOMPARE(button.SetImagePosition(-1, 5), QPoint(2, 3));
        QCOMPARE(button.ImageRect(), QRect(52, 5, 16, 16));

        const QSize text = QFontMetrics{button.font()}.size(Qt::TextSingleLine, "Compare");
        QCOMPARE(button.SetCaptionPosition(30, -1), QPoint(-1, -1));
        QCOMPARE(button.CaptionRect(), QRect(QPoint{30, (40 - text.height()) / 2 - 1}, text));
        QCOMPARE(Pixel(Render(button), 52, 5), kBlue);
    }

    void DefaultButton_HasABlackOutlineAndMovesTheImageInByOne()
    {
        CIconButton button{"OK"};
        button.resize(100, 30);
        QVERIFY(button.SetIcon(m_iconPath, 16, 16));
        QVERIFY(!button.SetDefault(true));
        QVERIFY(button.isDefault());
        QCOMPARE(button.ImageRect(), QRect(5, 7, 16, 16));
        const QImage image = Render(button);
        for (const QPoint& at : {QPoint{0, 0}, QPoint{99, 0}, QPoint{0, 29}, QPoint{99, 29},
                                 QPoint{50, 0}, QPoint{0, 15}}) {
            QCOMPARE(Pixel(image, at.x(), at.y()), 0xff000000);
        }
        QCOMPARE(Pixel(image, 5, 7), kBlue);

        QVERIFY(button.SetDefault(false));
        QVERIFY(!button.isDefault());
        QCOMPARE(button.ImageRect(), QRect(4, 7, 16, 16));
        QVERIFY(Pixel(Render(button), 50, 0) != 0xff000000);
    }

    void PushedButton_MovesImageAndCaptionByOnePixel()
    {
        CIconButton button{"Settings"};
        button.resize(150, 30);
        QVERIFY(button.SetIcon(m_iconPath, 16, 16));
        const QRect image = button.ImageRect();
        const QRect caption = button.CaptionRect();
        button.setDown(true);
        QCOMPARE(button.ImageRect(), image.translated(1, 1));
        QCOMPARE(button.CaptionRect(), caption.translated(1, 1));
        const QImage pushed = Render(button);
        QCOMPARE(Pixel(pushed, image.left() + 1, image.top() + 1), kBlue);
        QCOMPARE(Pixel(pushed, image.right() + 1, image.bottom() + 1), kBlue);
        QVERIFY(Pixel(pushed, image.left(), image.top()) != kBlue);
    }

    void EnabledBitmap_ShowsTheButtonFaceForTheTransparentColour()
    {
        CIconButton button;
        button.resize(40, 40);
        QVERIFY(button.SetBitmap(m_bitmapPath, 32, 32, QColor{kMagenta}));
        QCOMPARE(button.ImageRect(), QRect(4, 4, 32, 32));
        const QImage image = Render(button);
        QCOMPARE(Pixel(image, 5, 5), button.palette().color(QPalette::Button).rgb());
        // The 8x8 square at 4..11 is twice as large at 32x32.
        QCOMPARE(Pixel(image, 4 + 8, 4 + 8), kRed);
        QCOMPARE(Pixel(image, 4 + 23, 4 + 23), kRed);
        QVERIFY(Pixel(image, 4 + 24, 4 + 24) != kRed);
    }

    void DisabledBitmap_IsEmbossedWithItsTransparentColourLeftOut()
    {
        CIconButton button;
        button.resize(40, 40);
        QVERIFY(button.SetBitmap(m_bitmapPath, 16, 16, QColor{kMagenta}));
        button.setEnabled(false);
        const QImage image = Render(button);
        CIconButton plain;
        plain.resize(40, 40);
        plain.setEnabled(false);
        const QImage face = Render(plain);

        const QRect at = button.ImageRect();
        QCOMPARE(at, QRect(12, 12, 16, 16));
        const QRgb dark = button.palette().color(QPalette::Dark).rgb();
        const QRgb light = button.palette().color(QPalette::Light).rgb();
        // The red square turns into the shadow colour with a highlight edge right and below.
        QCOMPARE(Pixel(image, at.left() + 4, at.top() + 4), dark);
        QCOMPARE(Pixel(image, at.left() + 11, at.top() + 11), dark);
        QCOMPARE(Pixel(image, at.left() + 12, at.top() + 8), light);
        QCOMPARE(Pixel(image, at.left() + 8, at.top() + 12), light);
        // The transparent colour became white for the disabled copy and so stays out of the
        // embossed image: the face shows there, neither magenta nor the shadow colour.
        for (const QPoint& p : {QPoint{1, 1}, QPoint{14, 2}, QPoint{2, 14}}) {
            const QPoint pixel = at.topLeft() + p;
            QCOMPARE(Pixel(image, pixel.x(), pixel.y()), Pixel(face, pixel.x(), pixel.y()));
        }
    }

    void DisabledIcon_IsEmbossed()
    {
        CIconButton button;
        button.resize(40, 40);
        QVERIFY(button.SetIcon(m_iconPath, 16, 16));
        button.setEnabled(false);
        const QImage image = Render(button);
        QCOMPARE(Pixel(image, 12, 12), button.palette().color(QPalette::Dark).rgb());
        QCOMPARE(Pixel(image, 28, 20), button.palette().color(QPalette::Light).rgb());
    }

    void MissingImages_AreRefusedAndTheOldImageStays()
    {
        CIconButton button;
        button.resize(60, 30);
        QVERIFY(button.SetIcon(m_iconPath, 16, 16));
        QVERIFY(!button.SetIcon(m_dir.filePath("missing.png"), 16, 16));
        QVERIFY(!button.SetBitmap(m_dir.filePath("missing.bmp"), 16, 16, Qt::magenta));
        QVERIFY(!button.SetIcon(m_iconPath, 0, 16));
        QCOMPARE(button.ImageRect(), QRect(22, 7, 16, 16));
        QCOMPARE(Pixel(Render(button), 30, 15), kBlue);
    }

    void FocusRectangle_IsInsetByThreeOrAQuarterOnSmallButtons()
    {
        CIconButton button;
        button.resize(80, 30);
        QCOMPARE(button.FocusRect(), QRect(3, 3, 74, 24));
        button.resize(20, 10);
        QCOMPARE(button.FocusRect(), QRect(2, 2, 16, 6));
        button.resize(40, 15);
        QCOMPARE(button.FocusRect(), QRect(3, 3, 34, 9));
        button.resize(40, 16);
        QCOMPARE(button.FocusRect(), QRect(3, 3, 34, 10));
        button.resize(8, 40);
        QCOMPARE(button.FocusRect(), QRect(2, 2, 4, 36));
    }

    void FocusRectangle_InvertsEveryOtherPixelOfItsOutline_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("normal") << QSize{80, 30};
        QTest::newRow("small") << QSize{20, 10};
    }

    void FocusRectangle_InvertsEveryOtherPixelOfItsOutline()
    {
        QFETCH(QSize, size);
        Shown shown = ShowButton(size, "Go");
        // The window hands its only button the focus when it is activated.
        shown.button->clearFocus();
        QTRY_VERIFY(!shown.button->hasFocus());
        const QImage unfocused = Render(*shown.button);
        shown.button->setFocus();
        QTRY_VERIFY(shown.button->hasFocus());
        const QImage focused = Render(*shown.button);

        const QRect focus = shown.button->FocusRect();
        int inverted = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const bool onOutline =
                    focus.contains(x, y) && !focus.adjusted(1, 1, -1, -1).contains(x, y);
                const bool dotted = onOutline && (x - focus.left() + y - focus.top()) % 2 == 0;
                const QRgb expected =
                    dotted ? unfocused.pixel(x, y) ^ RGB_MASK : unfocused.pixel(x, y);
                QVERIFY2(focused.pixel(x, y) == expected,
                         qPrintable(QString{"%1,%2"}.arg(x).arg(y)));
                inverted += dotted ? 1 : 0;
            }
        }
        QVERIFY(inverted > 0);

        shown.button->clearFocus();
        QTRY_VERIFY(!shown.button->hasFocus());
        QCOMPARE(Render(*shown.button), unfocused);
    }

    void DisabledButton_NeverDrawsTheFocusRectangle()
    {
        Shown shown = ShowButton({80, 30}, "Go");
        shown.button->setEnabled(false);
        const QImage disabled = Render(*shown.button);
        shown.button->setEnabled(true);
        shown.button->setFocus();
        QTRY_VERIFY(shown.button->hasFocus());
        shown.button->setEnabled(false);
        QCOMPARE(Render(*shown.button), disabled);
    }

    void EnterKey_PressesTheDefaultButton()
    {
        QDialog dialog;
        auto* other = new CIconButton{"Other", &dialog};
        auto* ok = new CIconButton{"OK", &dialog};
        auto* layout = new QVBoxLayout{&dialog};
        layout->addWidget(other);
        layout->addWidget(ok);
        ok->SetDefault(true);
        int clicks = 0;
        connect(ok, &QPushButton::clicked, this, [&clicks] { ++clicks; });
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        other->setFocus();
        QTest::keyClick(&dialog, Qt::Key_Return);
        QCOMPARE(clicks, 1);
    }
};

QTEST_MAIN(IconButtonTest)
#include "IconButtonTest.moc"
