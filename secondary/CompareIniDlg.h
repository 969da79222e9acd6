#pragma once

#include "secondary/IniComparer.h"
#include "secondary/SecondarySettings.h"

#include <memory>

#include <QDialog>

namespace Ui {
class CCompareIniDlg;
}

// Compares the local INI files with the primary's copies key by key. The catalogue is fetched
// once, when the dialog opens; each Compare starts from an empty result list.
class CCompareIniDlg : public QDialog
{
    Q_OBJECT

public:
    // Works with the secondary's web path, download directory, log directory and unpacking
    // choice.
    explicit CCompareIniDlg(const SSecondarySettings& settings, QWidget* parent = nullptr);
    ~CCompareIniDlg() override;

private:
    void OnInitDialog();
    void OnCompare();
    // Inserts the row where the list's ascending order by file name puts it, behind the rows
    // of the same file, so that each file's findings keep the order they were found in.
    void InsertResultRow(const CIniComparer::SResultRow& row);
    void OnResultDblClk();
    void OnFileListDblClk();
    void OpenInEditor(const std::string& path) const;

    std::unique_ptr<Ui::CCompareIniDlg> m_ui;
    CIniComparer m_comparer;
};
