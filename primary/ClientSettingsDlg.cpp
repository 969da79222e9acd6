#include "primary/ClientSettingsDlg.h"

#include "primary/ClientRegistry.h"
#include "ui_ClientSettingsDlg.h"
#include "widgets/ConfigWriteError.h"
#include "widgets/Mnemonics.h"
#include "widgets/UiText.h"

#include <QPushButton>

CClientSettingsDlg::CClientSettingsDlg(int entryNumber, QWidget* parent)
    : QDialog{parent}, m_ui{std::make_unique<Ui::CClientSettingsDlg>()}, m_entryNumber{entryNumber}
{
    m_ui->setupUi(this);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CClientSettingsDlg::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CClientSettingsDlg::reject);
    OnInitDialog();
}

CClientSettingsDlg::~CClientSettingsDlg() = default;

void CClientSettingsDlg::OnInitDialog()
{
    SetCaptions();
    if (m_entryNumber < 0) {
        m_ui->clientGroup->setTitle(CUiText::Text(StringId::AddClientCaption));
        m_ui->addressEdit->Clear();
        return;
    }
    m_ui->clientGroup->setTitle(CUiText::Text(StringId::EditClientCaption));
    const CClientRegistry::CClient client = CClientRegistry::ReadEntry(m_entryNumber);
    m_ui->nameEdit->setText(QString::fromStdString(client.name));
    m_ui->locationEdit->setText(QString::fromStdString(client.location));
    m_ui->addressEdit->SetFields(CClientRegistry::SplitAddress(client.ip));
}

void CClientSettingsDlg::SetCaptions()
{
    setWindowTitle(CUiText::Text(StringId::ClientSettingsCaption));
    m_ui->nameLabel->setText(CUiText::Text(StringId::ClientNameLabel));
    m_ui->addressLabel->setText(CUiText::Text(StringId::ClientAddressLabel));
    m_ui->locationLabel->setText(CUiText::Text(StringId::ClientLocationLabel));
    m_ui->buttonBox->button(QDialogButtonBox::Ok)->setText(CUiText::Text(StringId::Ok));
    m_ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(CUiText::Text(StringId::Cancel));
    CMnemonics::Assign(*this);
}

void CClientSettingsDlg::accept()
{
    const CClientRegistry::CClient client{
        m_ui->nameEdit->text().toStdString(),
        CClientRegistry::FormatAddress(m_ui->addressEdit->GetFields()),
        m_ui->locationEdit->text().toStdString()};
    if (CClientRegistry::Save(m_entryNumber, client) == 0) {
        CConfigWriteError::Show();
        return;
    }
    QDialog::accept();
}
