#pragma once

#include <functional>
#include <utility>

#include <QMessageBox>
#include <QString>

// The message boxes of both roles, owned by the active window. A box without a caption takes
// the title of the role's main window. Tests install a hook that records each box and answers
// it, so that nothing blocks on a modal box.
class CMessageBoxes
{
public:
    struct Box
    {
        QMessageBox::Icon icon{QMessageBox::NoIcon};
        QString text;
        QString caption;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton{QMessageBox::NoButton};
    };
    using Hook = std::function<QMessageBox::StandardButton(const Box&)>;

    // Exclamation icon, OK button; the button pressed.
    static QMessageBox::StandardButton ShowErrorBox(const QString& text, const QString& caption);

    // Information icon, OK button; the button pressed.
    static QMessageBox::StandardButton ShowInfoBox(const QString& text, const QString& caption);

    // Question icon, Yes and No; No is the default button when defaultNo is true. True only
    // when the answer was Yes.
    static bool AskYesNo(const QString& text, const QString& caption, bool defaultNo);

    // Replaces showing the boxes; an empty hook shows them again.
    static void SetTestHook(Hook hook);

private:
    static QString RoleTitle();
    static QMessageBox::StandardButton Show(const Box& given);
};
