#pragma once

#include <memory>

#include <QDialog>

namespace Ui {
class CAboutDlg;
}

// The About box: application icon, version line, the maker's logo and address, OK.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

private:
    std::unique_ptr<Ui::CAboutDlg> m_ui;
};
