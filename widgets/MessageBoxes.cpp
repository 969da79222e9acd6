#include "widgets/MessageBoxes.h"

#include "widgets/MainDlg.h"

#include <QApplication>

namespace {
CMessageBoxes::Hook& TestHook()
{
    static CMessageBoxes::Hook hook;
    return hook;
}
} // namespace

QMessageBox::StandardButton CMessageBoxes::ShowErrorBox(const QString& text, const QString& caption)
{
    return Show({QMessageBox::Warning, text, caption, QMessageBox::Ok, QMessageBox::Ok});
}

QMessageBox::StandardButton CMessageBoxes::ShowInfoBox(const QString& text, const QString& caption)
{
    return Show({QMessageBox::Information, text, caption, QMessageBox::Ok, QMessageBox::Ok});
}

bool CMessageBoxes::AskYesNo(const QString& text, const QString& caption, bool defaultNo)
{
    const Box box{QMessageBox::Question, text, caption, QMessageBox::Yes | QMessageBox::No,
                  defaultNo ? QMessageBox::No : QMessageBox::Yes};
    return Show(box) == QMessageBox::Yes;
}

void CMessageBoxes::SetTestHook(Hook hook)
{
    TestHook() = std::move(hook);
}

QString CMessageBoxes::RoleTitle()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<CMainDlg*>(window) != nullptr) {
            return window->windowTitle();
        }
    }
    return {};
}

QMessageBox::StandardButton CMessageBoxes::Show(const Box& given)
{
    Box box{given};
    // Without a caption the box would show the bare program name.
    if (box.caption.isEmpty()) {
        box.caption = RoleTitle();
    }
    if (TestHook()) {
        return TestHook()(box);
    }
    QMessageBox messageBox{box.icon, box.caption, box.text, box.buttons,
                           QApplication::activeWindow()};
    messageBox.setDefaultButton(box.defaultButton);
    return static_cast<QMessageBox::StandardButton>(messageBox.exec());
}
