#include "widgets/MainDlg.h"

#include "widgets/MessageBoxes.h"
#include "widgets/UiText.h"

#include <QCloseEvent>

CMainDlg::CMainDlg(QWidget* parent) : QDialog{parent}
{
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);
}

void CMainDlg::Raise()
{
    showNormal();
    raise();
    activateWindow();
}

void CMainDlg::accept()
{
    if (!CMessageBoxes::AskYesNo(CUiText::Text(StringId::ConfirmExit),
                                 CUiText::Text(StringId::PleaseConfirm), true)) {
        return;
    }
    OnExitConfirmed();
    m_roleChangeMarker = 0;
    QDialog::accept();
}

void CMainDlg::reject()
{
    accept();
}

void CMainDlg::EndWithRoleChange(int marker)
{
    m_roleChangeMarker = marker;
    QDialog::accept();
}

void CMainDlg::OnExitConfirmed() {}

void CMainDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    showMinimized();
}
