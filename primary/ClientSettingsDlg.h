#pragma once

#include <memory>

#include <QDialog>

namespace Ui {
class CClientSettingsDlg;
}

// Edits one entry of the secondary servers' list: a new one (entry number -1) or entry n.
// OK saves the three fields; Cancel writes nothing.
class CClientSettingsDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CClientSettingsDlg(int entryNumber, QWidget* parent = nullptr);
    ~CClientSettingsDlg() override;

public slots:
    // OnOK: saves the fields and closes; a failed write is reported and the dialog stays open.
    void accept() override;

private:
    void OnInitDialog();
    void SetCaptions();

    std::unique_ptr<Ui::CClientSettingsDlg> m_ui;
    int m_entryNumber;
};
