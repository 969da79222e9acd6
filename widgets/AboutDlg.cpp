#include "widgets/AboutDlg.h"

#include "ui_AboutDlg.h"
#include "widgets/Mnemonics.h"
#include "widgets/UiText.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog{parent}, m_ui{std::make_unique<Ui::CAboutDlg>()}
{
    m_ui->setupUi(this);
    setWindowTitle(CUiText::Text(StringId::AboutCaption));
    m_ui->versionLabel->setText(CUiText::Text(StringId::AboutVersion));
    m_ui->okButton->setText(CUiText::Text(StringId::Ok));
    CMnemonics::Assign(*this);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

CAboutDlg::~CAboutDlg() = default;
