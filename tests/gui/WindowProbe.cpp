#include "WindowProbe.h"

#include "widgets/IconButton.h"
#include "widgets/Mnemonics.h"
#include "widgets/SortListCtrl.h"

#include <algorithm>

#include <QHeaderView>
#include <QLabel>
#include <QTest>
#include <QWidget>
#include <QtGlobal>

namespace WindowProbe {

CIconButton* Button(const QWidget& window, const char* name)
{
    auto* button = window.findChild<CIconButton*>(QLatin1String{name});
    if (button == nullptr) {
        qFatal("The window has no button %s", name);
    }
    return button;
}

CSortListCtrl* List(const QWidget& window, const char* name)
{
    auto* list = window.findChild<CSortListCtrl*>(QLatin1String{name});
    if (list == nullptr) {
        qFatal("The window has no list %s", name);
    }
    return list;
}

QString LabelText(const QWidget& window, const char* name)
{
    auto* label = window.findChild<QLabel*>(QLatin1String{name});
    if (label == nullptr) {
        qFatal("The window has no label %s", name);
    }
    return CMnemonics::Plain(label->text());
}

QStringList Headers(const CSortListCtrl& list)
{
    QStringList headers;
    for (int i = 0; i < list.columnCount(); ++i) {
        headers.append(list.headerItem()->text(i));
    }
    return headers;
}

QList<int> Widths(const CSortListCtrl& list)
{
    QList<int> widths;
    for (int i = 0; i < list.columnCount(); ++i) {
        widths.append(list.columnWidth(i));
    }
    return widths;
}

QList<int> WidthsFitting(const CSortListCtrl& list, const QList<int>& designed)
{
    QList<int> widths;
    for (int i = 0; i < designed.size(); ++i) {
        widths.append(std::max(designed[i], list.header()->sectionSizeHint(i)));
    }
    return widths;
}

QImage RowImage(const QIcon& icon)
{
    return icon.pixmap(13, 13).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage ResourceImage(const char* path)
{
    return RowImage(QIcon{QString::fromUtf8(path)});
}

bool RunEnded(const QWidget& window)
{
    constexpr int kLongestRunMs = 30'000;
    CIconButton* syncNow = Button(window, "syncNowButton");
    return QTest::qWaitFor([syncNow] { return syncNow->isEnabled(); }, kLongestRunMs);
}

} // namespace WindowProbe
