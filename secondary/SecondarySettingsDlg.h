#pragma once

#include <memory>
#include <string>

#include <QDialog>

namespace Ui {
class CSecondarySettingsDlg;
}

// The secondary's settings in zezodi.ini and the change to the primary role. The main window
// reads the fields after the dialog has closed, whichever button closed it.
class CSecondarySettingsDlg : public QDialog
{
    Q_OBJECT

public:
    struct SFields
    {
        std::string webPath;
        std::string downloadDir;
        std::string interval;       // minutes, as typed
        int decompressionChoice{0}; // 0 gzip, 1 the unzip program
        std::string unzipProgram;
        std::string allowedPrimaries; // besides the web server's host; "*" for everyone
        std::string primaryKeys;      // the keys a catalogue must be signed with; empty: none
        bool roleChanged{false};
    };

    explicit CSecondarySettingsDlg(QWidget* parent = nullptr);
    ~CSecondarySettingsDlg() override;

    // The values loaded at opening, or taken from the controls by a radio button, OK or the
    // confirmed role change.
    const SFields& Fields() const { return m_fields; }
    bool RoleChanged() const { return m_fields.roleChanged; }

public slots:
    // OnOK: writes the settings; the dialog stays open when the file could not be written.
    void accept() override;

private:
    void OnInitDialog();
    void SetCaptions();
    void OnCompressionChoice();
    void ApplyCompressionChoice();
    void OnBrowseUnzipProgram();
    void OnChangeToPrimary();
    void TakeValues();
    bool WriteSettings() const;

    std::unique_ptr<Ui::CSecondarySettingsDlg> m_ui;
    SFields m_fields;
    std::string m_loadedAllowedPrimaries;
    std::string m_loadedPrimaryKeys;
};
