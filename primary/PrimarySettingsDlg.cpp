#include "primary/PrimarySettingsDlg.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/ProfileStore.h"
#include "primary/ClientRegistry.h"
#include "primary/ClientSettingsDlg.h"
#include "ui_PrimarySettingsDlg.h"
#include "widgets/ConfigWriteError.h"
#include "widgets/FileDialogs.h"
#include "widgets/IntervalCombo.h"
#include "widgets/ListColumns.h"
#include "widgets/MessageBoxes.h"
#include "widgets/Mnemonics.h"
#include "widgets/PathLength.h"
#include "widgets/UiText.h"

#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace Keys = ConfigKeys;

namespace {} // namespace

CPrimarySettingsDlg::CPrimarySettingsDlg(QWidget* parent)
    : QDialog{parent}, m_ui{std::make_unique<Ui::CPrimarySettingsDlg>()}
{
    m_ui->setupUi(this);
    connect(m_ui->gzipRadio, &QRadioButton::clicked, this,
            &CPrimarySettingsDlg::OnCompressionChoice);
    connect(m_ui->programRadio, &QRadioButton::clicked, this,
            &CPrimarySettingsDlg::OnCompressionChoice);
    connect(m_ui->browseButton, &QPushButton::clicked, this,
            &CPrimarySettingsDlg::OnBrowseZipProgram);
    connect(m_ui->changeRoleButton, &QPushButton::clicked, this,
            &CPrimarySettingsDlg::OnChangeToSecondary);
    connect(m_ui->addButton, &QPushButton::clicked, this, &CPrimarySettingsDlg::OnAddClient);
    connect(m_ui->editButton, &QPushButton::clicked, this, &CPrimarySettingsDlg::OnEditClient);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &CPrimarySettingsDlg::OnDeleteClient);
    connect(m_ui->clientList, &QTreeWidget::itemDoubleClicked, this,
            &CPrimarySettingsDlg::OnEditClient);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CPrimarySettingsDlg::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CPrimarySettingsDlg::reject);
    OnInitDialog();
}

CPrimarySettingsDlg::~CPrimarySettingsDlg() = default;

void CPrimarySettingsDlg::OnInitDialog()
{
    SetCaptions();
    CIntervalCombo::AddItems(*m_ui->intervalCombo);
    m_ui->thresholdEdit->setValidator(
        new QRegularExpressionValidator{QRegularExpression{QStringLiteral("[0-9]*")}, this});
    CListColumns::Create(*m_ui->clientList, {{StringId::ClientComputerName, 130},
                                             {StringId::ClientIpAddress, 120},
                                             {StringId::ClientLocation, 138}});
    m_ui->clientList->SetSortable(false);
    m_ui->clientList->setRootIsDecorated(false);
    m_ui->clientList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ui->clientList->setSelectionBehavior(QAbstractItemView::SelectRows);

    m_fields.webPath = CConfigFile::ReadText(Keys::kCopyToWebPath, Keys::kBuffer512);
    m_fields.compressionChoice =
        CConfigFile::ReadInt(Keys::kUseGZip, Keys::kUseGZipDefault) == 1 ? 0 : 1;
    m_fields.zipProgram = CConfigFile::ReadText(Keys::kZipProg, Keys::kBuffer512);
    m_fields.threshold = CConfigFile::ReadInt(Keys::kZipIfBigger, 0);
    m_fields.interval = std::to_string(CConfigFile::ReadInt(Keys::kPrimIntervalInHours, 0));
    m_syncJxalarmIni = CConfigFile::ReadInt(Keys::kSyncJxalarmIni, Keys::kSyncJxalarmIniAbsent);
    if (m_syncJxalarmIni == Keys::kSyncJxalarmIniAbsent) {
        m_syncJxalarmIni = Keys::kSyncJxalarmIniDefault;
        if (!CConfigFile::Write(Keys::kSyncJxalarmIni, std::to_string(m_syncJxalarmIni))) {
            CConfigWriteError::Show();
        }
    }
    m_fields.timeSync = CConfigFile::ReadInt(Keys::kSyncClientSystemTime, Keys::kAbsentSentinel);
    m_fields.allowedClients = CConfigFile::ReadText(Keys::kAllowedClients, Keys::kBuffer512);
    m_loadedAllowedClients = m_fields.allowedClients;
    const std::string address{CProfileStore::ReadText(Keys::kConfig, Keys::kPrimaryIPAddress, "",
                                                      Keys::kBuffer128, Keys::kIniFile)};

    m_ui->webPathEdit->setText(QString::fromStdString(m_fields.webPath));
    m_ui->zipProgEdit->setText(QString::fromStdString(m_fields.zipProgram));
    m_ui->thresholdEdit->setText(QString::number(m_fields.threshold));
    m_ui->intervalCombo->setEditText(QString::fromStdString(m_fields.interval));
    m_ui->timeSyncCheck->setChecked(m_fields.timeSync == 1);
    m_ui->allowedClientsEdit->setText(QString::fromStdString(m_fields.allowedClients));
    m_ui->addressEdit->SetFields(CClientRegistry::SplitAddress(address));
    ApplyCompressionChoice();
    FillClientList();
}

void CPrimarySettingsDlg::SetCaptions()
{
    setWindowTitle(CUiText::Text(StringId::PrimarySettingsCaption));
    m_ui->settingsGroup->setTitle(CUiText::Text(StringId::SettingsGroup));
    m_ui->webPathLabel->setText(CUiText::Text(StringId::WebServerDocumentPath));
    m_ui->webPathNote->setText(CUiText::Text(StringId::WebServerDocumentPathNote));
    m_ui->intervalLabel->setText(CUiText::Text(StringId::IntervalBetweenSynchronizations));
    m_ui->hoursLabel->setText(CUiText::Text(StringId::Hours));
    m_ui->thresholdLabel->setText(CUiText::Text(StringId::ZipIfBiggerLabel));
    m_ui->kilobytesLabel->setText(CUiText::Text(StringId::Kilobytes));
    m_ui->gzipRadio->setText(CUiText::Text(StringId::UseGzipToZip));
    m_ui->programRadio->setText(CUiText::Text(StringId::UseProgramToZip));
    m_ui->browseButton->setText(CUiText::Text(StringId::Browse));
    m_ui->addressLabel->setText(CUiText::Text(StringId::PrimaryAddressLabel));
    m_ui->timeSyncCheck->setText(CUiText::Text(StringId::AutoSetClientTime));
    m_ui->clientsLabel->setText(CUiText::Text(StringId::SecondaryClientServers));
    m_ui->allowedClientsLabel->setText(CUiText::Text(StringId::AllowedClientsLabel));
    m_ui->addButton->setText(CUiText::Text(StringId::Add));
    m_ui->editButton->setText(CUiText::Text(StringId::Edit));
    m_ui->deleteButton->setText(CUiText::Text(StringId::Delete));
    m_ui->changeRoleButton->setText(CUiText::Text(StringId::ChangeToSecondary));
    m_ui->buttonBox->button(QDialogButtonBox::Ok)->setText(CUiText::Text(StringId::Ok));
    m_ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(CUiText::Text(StringId::Cancel));
    CMnemonics::Assign(*this);
}

void CPrimarySettingsDlg::OnCompressionChoice()
{
    TakeValues();
    ApplyCompressionChoice();
}

void CPrimarySettingsDlg::ApplyCompressionChoice()
{
    const bool program{m_fields.compressionChoice == 1};
    m_ui->programRadio->setChecked(program);
    m_ui->gzipRadio->setChecked(!program);
    m_ui->zipProgEdit->setEnabled(program);
    m_ui->browseButton->setEnabled(program);
}

void CPrimarySettingsDlg::OnBrowseZipProgram()
{
    const QString chosen{CFileDialogs::GetOpenFileName(
        this, {QString{}, CFileDialogs::ProgramDirectory(m_ui->zipProgEdit->text()), true})};
    if (!chosen.isEmpty()) {
        m_ui->zipProgEdit->setText(chosen);
    }
}

void CPrimarySettingsDlg::OnChangeToSecondary()
{
    if (!CMessageBoxes::AskYesNo(CUiText::Text(StringId::ConfirmChangeToSecondary),
                                 CUiText::Text(StringId::PleaseConfirm), true)) {
        return;
    }
    if (!CConfigFile::Write(Keys::kIsPrimary, "0")) {
        CConfigWriteError::Show();
        return;
    }
    m_fields.roleChanged = true;
    // The values go into the fields for the main window, but none is written.
    TakeValues();
    QDialog::accept();
}

void CPrimarySettingsDlg::accept()
{
    if (!TakeValues()) {
        CMessageBoxes::ShowErrorBox(CUiText::Text(StringId::EnterInteger),
                                    CUiText::Text(StringId::Error));
        m_ui->thresholdEdit->setFocus();
        m_ui->thresholdEdit->selectAll();
        return;
    }
    // Only the zip program that is written counts.
    if (!CPathLength::Fits(*m_ui->webPathEdit, Keys::kBuffer128 - 1) ||
        (m_fields.compressionChoice == 1 &&
         !CPathLength::Fits(*m_ui->zipProgEdit, Keys::kBuffer80 - 1))) {
        return;
    }
    m_fields.roleChanged = false;
    if (!WriteSettings()) {
        CConfigWriteError::Show();
        return;
    }
    QDialog::accept();
}

bool CPrimarySettingsDlg::TakeValues()
{
    m_fields.webPath = m_ui->webPathEdit->text().toStdString();
    m_fields.interval = m_ui->intervalCombo->currentText().toStdString();
    m_fields.compressionChoice = m_ui->programRadio->isChecked() ? 1 : 0;
    m_fields.zipProgram = m_ui->zipProgEdit->text().toStdString();
    m_fields.timeSync = m_ui->timeSyncCheck->isChecked() ? 1 : 0;
    m_fields.allowedClients = m_ui->allowedClientsEdit->text().toStdString();
    bool isNumber{false};
    const int threshold{m_ui->thresholdEdit->text().toInt(&isNumber)};
    if (isNumber) {
        m_fields.threshold = threshold;
    }
    return isNumber;
}

bool CPrimarySettingsDlg::WriteSettings() const
{
    bool written{CConfigFile::Write(Keys::kCopyToWebPath, m_fields.webPath)};
    if (m_fields.compressionChoice == 1) {
        written = CConfigFile::Write(Keys::kUseGZip, "0") && written;
        written = CConfigFile::Write(Keys::kZipProg, m_fields.zipProgram) && written;
    } else {
        written = CConfigFile::Write(Keys::kUseGZip, "1") && written;
    }
    written = CConfigFile::Write(Keys::kZipIfBigger, std::to_string(m_fields.threshold)) && written;
    written = CConfigFile::Write(Keys::kPrimIntervalInHours, m_fields.interval) && written;
    written = CConfigFile::Write(Keys::kSyncClientSystemTime, std::to_string(m_fields.timeSync)) &&
              written;
    const std::string address{CClientRegistry::FormatAddress(m_ui->addressEdit->GetFields())};
    written = CConfigFile::Write(Keys::kPrimaryIPAddress, address) && written;
    // Written only when edited, so that a file without the key keeps its bytes.
    if (m_fields.allowedClients != m_loadedAllowedClients) {
        written = CConfigFile::Write(Keys::kAllowedClients, m_fields.allowedClients) && written;
    }
    return written;
}

void CPrimarySettingsDlg::FillClientList()
{
    m_ui->clientList->clear();
    for (const CClientRegistry::CClient& client : CClientRegistry::Read()) {
        m_ui->clientList->InsertRow(m_ui->clientList->topLevelItemCount(), -1,
                                    {QString::fromStdString(client.name),
                                     QString::fromStdString(client.ip),
                                     QString::fromStdString(client.location)});
    }
}

void CPrimarySettingsDlg::OnAddClient()
{
    CClientSettingsDlg client{-1, this};
    client.exec();
    FillClientList();
}

void CPrimarySettingsDlg::OnEditClient()
{
    CClientSettingsDlg client{SelectedClientRow() + 1, this};
    client.exec();
    FillClientList();
}

void CPrimarySettingsDlg::OnDeleteClient()
{
    const int row{SelectedClientRow()};
    if (row < 0) {
        CMessageBoxes::ShowErrorBox(CUiText::Text(StringId::SelectClientToDelete),
                                    CUiText::Text(StringId::Error));
        return;
    }
    const int number{row + 1};
    const std::string name{CClientRegistry::ReadEntry(number).name};
    const std::string question{CStringTable::FormatText(
        CUiText::Text(StringId::ConfirmDeleteClient).toStdString(), {name})};
    if (!CMessageBoxes::AskYesNo(QString::fromStdString(question), QString{}, false)) {
        return;
    }
    if (!CClientRegistry::Delete(number)) {
        CConfigWriteError::Show();
    }
    FillClientList();
}

int CPrimarySettingsDlg::SelectedClientRow() const
{
    const QList<QTreeWidgetItem*> selected{m_ui->clientList->selectedItems()};
    if (selected.isEmpty()) {
        return -1;
    }
    return m_ui->clientList->indexOfTopLevelItem(selected.constFirst());
}
