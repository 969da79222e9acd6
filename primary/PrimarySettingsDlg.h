#pragma once

#include <memory>
#include <string>

#include <QDialog>

namespace Ui {
class CPrimarySettingsDlg;
}

// The primary's settings in zezodi.ini, the list of secondary servers, and the change to the
// secondary role. The main window reads the fields after the dialog has closed, whichever
// button closed it.
class CPrimarySettingsDlg : public QDialog
{
    Q_OBJECT

public:
    struct SFields
    {
        std::string webPath;
        std::string interval;     // hours, as typed
        int threshold{0};         // KB
        int compressionChoice{0}; // 0 gzip, 1 the zip program
        std::string zipProgram;
        int timeSync{0};
        std::string allowedClients; // besides the listed clients; "*" for everyone
        bool roleChanged{false};
    };

    explicit CPrimarySettingsDlg(QWidget* parent = nullptr);
    ~CPrimarySettingsDlg() override;

    // The values loaded at opening, or taken from the controls by a radio button, OK or the
    // confirmed role change.
    const SFields& Fields() const { return m_fields; }
    bool RoleChanged() const { return m_fields.roleChanged; }

    // SyncJxalarmIni as read at opening (0 when it was absent); the catalogue builder uses it
    // from then on.
    int SyncJxalarmIni() const { return m_syncJxalarmIni; }

public slots:
    // OnOK: writes the settings; the dialog stays open when the threshold is not a number or
    // the file could not be written.
    void accept() override;

private:
    void OnInitDialog();
    void SetCaptions();
    void OnCompressionChoice();
    void ApplyCompressionChoice();
    void OnBrowseZipProgram();
    void OnChangeToSecondary();
    // Takes the controls' values into the fields; false, keeping the old threshold, when the
    // threshold box holds no integer.
    bool TakeValues();
    bool WriteSettings() const;

    void FillClientList();
    void OnAddClient();
    void OnEditClient();
    void OnDeleteClient();
    int SelectedClientRow() const;

    std::unique_ptr<Ui::CPrimarySettingsDlg> m_ui;
    SFields m_fields;
    int m_syncJxalarmIni{0};
    std::string m_loadedAllowedClients;
};
