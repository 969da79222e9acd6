#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QAbstractItemView;
class QHeaderView;
class QWidget;

// Keeps a window's size and position, and the column widths and sort order of its lists, in the
// user's desktop settings (QSettings, ~/.config/<organisation>/<application>.conf), apart from
// the installation's zezodi.ini. What was kept comes back when the window is first shown; it is
// kept again whenever the window is hidden, which is how a dialog ends. Each window has a group
// of its own, so the roles do not share their sizes.
class CWindowMemory : public QObject
{
    Q_OBJECT

public:
    // Lives as a child of window; group names the window in the settings.
    CWindowMemory(QWidget& window, QString group);

    // Remembers one more list of the window under name: a tree or a table, its column widths
    // and, when it sorts, its sort column and direction. A list added once the window is
    // shown gets its kept state at once.
    void AddList(QAbstractItemView& list, const QString& name);

    void Restore();
    void Save() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct SList
    {
        QPointer<QAbstractItemView> view;
        QString name;
    };

    void RestoreList(const SList& list) const;

    QWidget& m_window;
    QString m_group;
    QList<SList> m_lists;
    bool m_restored{false};
};
