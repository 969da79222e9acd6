#include "secondary/SecondarySettingsDlg.h"

#include "core/ConfigFile.h"
#include "core/ConfigKeys.h"
#include "core/ProfileStore.h"
#include "core/SigningKey.h"
#include "core/StringTable.h"
#include "secondary/SecondaryConfig.h"
#include "ui_SecondarySettingsDlg.h"
#include "widgets/ConfigWriteError.h"
#include "widgets/FileDialogs.h"
#include "widgets/IntervalCombo.h"
#include "widgets/MessageBoxes.h"
#include "widgets/Mnemonics.h"
#include "widgets/PathLength.h"
#include "widgets/UiText.h"

#include <QFileInfo>
#include <QPushButton>

namespace Keys = ConfigKeys;

namespace {} // namespace

CSecondarySettingsDlg::CSecondarySettingsDlg(QWidget* parent)
    : QDialog{parent}, m_ui{std::make_unique<Ui::CSecondarySettingsDlg>()}
{
    m_ui->setupUi(this);
    connect(m_ui->gzipRadio, &QRadioButton::clicked, this,
            &CSecondarySettingsDlg::OnCompressionChoice);
    connect(m_ui->programRadio, &QRadioButton::clicked, this,
            &CSecondarySettingsDlg::OnCompressionChoice);
    connect(m_ui->browseButton, &QPushButton::clicked, this,
            &CSecondarySettingsDlg::OnBrowseUnzipProgram);
    connect(m_ui->changeRoleButton, &QPushButton::clicked, this,
            &CSecondarySettingsDlg::OnChangeToPrimary);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CSecondarySettingsDlg::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CSecondarySettingsDlg::reject);
    OnInitDialog();
}

CSecondarySettingsDlg::~CSecondarySettingsDlg() = default;

void CSecondarySettingsDlg::OnInitDialog()
{
    SetCaptions();
    CIntervalCombo::AddItems(*m_ui->intervalCombo);
    m_fields.webPath = CConfigFile::ReadText(Keys::kWebDocPath, Keys::kBuffer512);
    m_fields.downloadDir = CConfigFile::ReadText(Keys::kDownLoadPath, Keys::kBuffer512);
    m_fields.decompressionChoice =
        CProfileStore::ReadInt(Keys::kConfig, Keys::kUseGZip, Keys::kUseGZipDefault,
                               Keys::kIniFile) == 1
            ? 0
            : 1;
    m_fields.unzipProgram = CConfigFile::ReadText(Keys::kUnZipProg, Keys::kBuffer512);
    m_fields.interval = std::to_string(
        CProfileStore::ReadInt(Keys::kConfig, Keys::kIntervalInMin, 0, Keys::kIniFile));
    m_fields.allowedPrimaries = CConfigFile::ReadText(Keys::kAllowedPrimaries, Keys::kBuffer512);
    m_loadedAllowedPrimaries = m_fields.allowedPrimaries;
    m_fields.primaryKeys = CConfigFile::ReadWholeText(Keys::kPrimaryPublicKey);
    m_loadedPrimaryKeys = m_fields.primaryKeys;

    m_ui->webPathEdit->setText(QString::fromStdString(m_fields.webPath));
    m_ui->downloadDirEdit->setText(QString::fromStdString(m_fields.downloadDir));
    m_ui->unzipProgEdit->setText(QString::fromStdString(m_fields.unzipProgram));
    m_ui->intervalCombo->setEditText(QString::fromStdString(m_fields.interval));
    m_ui->allowedPrimariesEdit->setText(QString::fromStdString(m_fields.allowedPrimaries));
    m_ui->primaryKeysEdit->setText(QString::fromStdString(m_fields.primaryKeys));
    ApplyCompressionChoice();
}

void CSecondarySettingsDlg::SetCaptions()
{
    setWindowTitle(CUiText::Text(StringId::SecondarySettingsCaption));
    m_ui->settingsGroup->setTitle(CUiText::Text(StringId::SettingsGroup));
    m_ui->webPathLabel->setText(CUiText::Text(StringId::WebDocPathLabel));
    m_ui->webPathNote->setText(CUiText::Text(StringId::WebDocPathNote));
    m_ui->downloadDirLabel->setText(CUiText::Text(StringId::DownloadPathLabel));
    m_ui->allowedPrimariesLabel->setText(CUiText::Text(StringId::AllowedPrimariesLabel));
    m_ui->primaryKeysLabel->setText(CUiText::Text(StringId::PrimaryKeysLabel));
    m_ui->intervalLabel->setText(CUiText::Text(StringId::IntervalBetweenSynchronizations));
    m_ui->minutesLabel->setText(CUiText::Text(StringId::Minutes));
    m_ui->gzipRadio->setText(CUiText::Text(StringId::UseGzipToUnzip));
    m_ui->programRadio->setText(CUiText::Text(StringId::UseProgramToUnzip));
    m_ui->browseButton->setText(CUiText::Text(StringId::Browse));
    m_ui->changeRoleButton->setText(CUiText::Text(StringId::ChangeToPrimary));
    m_ui->buttonBox->button(QDialogButtonBox::Ok)->setText(CUiText::Text(StringId::Ok));
    m_ui->buttonBox->button(QDialogButtonBox::Cancel)->setText(CUiText::Text(StringId::Cancel));
    CMnemonics::Assign(*this);
}

void CSecondarySettingsDlg::OnCompressionChoice()
{
    TakeValues();
    ApplyCompressionChoice();
}

void CSecondarySettingsDlg::ApplyCompressionChoice()
{
    const bool program{m_fields.decompressionChoice == 1};
    m_ui->programRadio->setChecked(program);
    m_ui->gzipRadio->setChecked(!program);
    m_ui->unzipProgEdit->setEnabled(program);
    m_ui->browseButton->setEnabled(program);
}

void CSecondarySettingsDlg::OnBrowseUnzipProgram()
{
    const QString chosen{CFileDialogs::GetOpenFileName(
        this, {QString{}, CFileDialogs::ProgramDirectory(m_ui->unzipProgEdit->text()), true})};
    if (!chosen.isEmpty()) {
        m_ui->unzipProgEdit->setText(chosen);
    }
}

void CSecondarySettingsDlg::OnChangeToPrimary()
{
    if (!CMessageBoxes::AskYesNo(CUiText::Text(StringId::ConfirmChangeToPrimary),
                                 CUiText::Text(StringId::PleaseConfirm), true)) {
        return;
    }
    if (!CConfigFile::Write(Keys::kIsPrimary, "1")) {
        CConfigWriteError::Show();
        return;
    }
    m_fields.roleChanged = true;
    // The values go into the fields for the main window, but none is written.
    TakeValues();
    QDialog::accept();
}

void CSecondarySettingsDlg::accept()
{
    TakeValues();
    if (!CPathLength::Fits(*m_ui->downloadDirEdit, Keys::kBuffer128 - 1)) {
        return;
    }
    m_fields.roleChanged = false;
    std::vector<CSigningKey::PublicKey> keys;
    if (!CSigningKey::ParsePublicKeys(m_fields.primaryKeys, keys)) {
        CMessageBoxes::ShowErrorBox(CUiText::Text(StringId::PrimaryKeysInvalid),
                                    CUiText::Text(StringId::Error));
        m_ui->primaryKeysEdit->setFocus();
        return;
    }
    // Downloads delete and replace files in their directory: never in a data directory.
    SSecondarySettings directories;
    CSecondaryConfig::SectionDirectories(directories);
    if (const std::string dataDir =
            CSecondaryConfig::DataDirectoryAt(directories, m_fields.downloadDir);
        !dataDir.empty()) {
        CMessageBoxes::ShowErrorBox(QString::fromStdString(CStringTable::FormatText(
                                        CUiText::Text(StringId::DownloadDirInDataDir).toStdString(),
                                        {m_fields.downloadDir, dataDir})),
                                    CUiText::Text(StringId::Error));
        return;
    }
    if (!WriteSettings()) {
        CConfigWriteError::Show();
        return;
    }
    QDialog::accept();
}

void CSecondarySettingsDlg::TakeValues()
{
    m_fields.webPath = m_ui->webPathEdit->text().toStdString();
    m_fields.downloadDir = m_ui->downloadDirEdit->text().toStdString();
    m_fields.interval = m_ui->intervalCombo->currentText().toStdString();
    m_fields.decompressionChoice = m_ui->programRadio->isChecked() ? 1 : 0;
    m_fields.unzipProgram = m_ui->unzipProgEdit->text().toStdString();
    m_fields.allowedPrimaries = m_ui->allowedPrimariesEdit->text().toStdString();
    m_fields.primaryKeys = m_ui->primaryKeysEdit->text().trimmed().toStdString();
}

bool CSecondarySettingsDlg::WriteSettings() const
{
    bool written{CConfigFile::Write(Keys::kWebDocPath, m_fields.webPath)};
    written = CConfigFile::Write(Keys::kDownLoadPath, m_fields.downloadDir) && written;
    if (m_fields.decompressionChoice == 1) {
        written = CConfigFile::Write(Keys::kUseGZip, "0") && written;
        written = CConfigFile::Write(Keys::kUnZipProg, m_fields.unzipProgram) && written;
    } else {
        written = CConfigFile::Write(Keys::kUseGZip, "1") && written;
    }
    written = CConfigFile::Write(Keys::kIntervalInMin, m_fields.interval) && written;
    // Written only when edited, so that a file without the key keeps its bytes.
    if (m_fields.allowedPrimaries != m_loadedAllowedPrimaries) {
        written = CConfigFile::Write(Keys::kAllowedPrimaries, m_fields.allowedPrimaries) && written;
    }
    if (m_fields.primaryKeys != m_loadedPrimaryKeys) {
        written = CConfigFile::Write(Keys::kPrimaryPublicKey, m_fields.primaryKeys) && written;
    }
    return written;
}
