#pragma once

#include "secondary/IniComparer.h"
#include "secondary/SecondarySettings.h"

#include <atomic>
#include <functional>
#include <memory>

#include <QDialog>

class CRunProgress;
class CRunWorker;
class QLabel;

namespace Ui {
class CCompareIniDlg;
}

// Compares the local INI files with the primary's copies key by key. The catalogue is fetched
// once, when the dialog opens; each Compare starts from an empty result list. The fetches and
// comparisons run on a worker thread while the dialog answers; what could not be fetched, and
// why, is told in a line under the lists.
class CCompareIniDlg : public QDialog
{
    Q_OBJECT

public:
    // Works with the secondary's web path, download directory, log directory and unpacking
    // choice.
    explicit CCompareIniDlg(const SSecondarySettings& settings, QWidget* parent = nullptr);
    ~CCompareIniDlg() override;

    // A fetch or a comparison runs.
    bool IsWorking() const;

public slots:
    // Ends a fetch in progress on every way out.
    void done(int result) override;

private:
    void OnInitDialog();
    void ShowIniFiles();
    void OnCompare();
    void ShowResults();
    // Inserts the row where the list's ascending order by file name puts it, behind the rows
    // of the same file, so that each file's findings keep the order they were found in.
    void InsertResultRow(const CIniComparer::SResultRow& row);
    void OnResultDblClk();
    void OnFileListDblClk();
    void OpenInEditor(const std::string& path) const;
    void RunOnWorker(std::function<void()> work, std::function<void()> then);
    void OnBusyChanged(bool busy);
    void ShowProblems();

    std::unique_ptr<Ui::CCompareIniDlg> m_ui;
    CIniComparer m_comparer;
    CRunWorker* m_worker;
    CRunProgress* m_progress;
    QLabel* m_notice;
    std::atomic<bool> m_closing{false};
};
