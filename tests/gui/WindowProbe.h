#pragma once

#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

class CIconButton;
class CSortListCtrl;
class QWidget;

// Looks into a window by object name, as an operator reads it. A missing control ends the
// test program with its name, so that no check runs on a null pointer.
namespace WindowProbe {
CIconButton* Button(const QWidget& window, const char* name);
CSortListCtrl* List(const QWidget& window, const char* name);
QString LabelText(const QWidget& window, const char* name);
QStringList Headers(const CSortListCtrl& list);
QList<int> Widths(const CSortListCtrl& list);
// The designed widths, each widened to its header text where that would be cut off.
QList<int> WidthsFitting(const CSortListCtrl& list, const QList<int>& designed);
// The 13 by 13 image of a row, comparable pixel by pixel.
QImage RowImage(const QIcon& icon);
QImage ResourceImage(const char* path);
// Waits, at most 30 s, until the window's runs have ended and their follow-ups (result boxes)
// are done: its "Synchronize now" button is enabled again.
bool RunEnded(const QWidget& window);
} // namespace WindowProbe
