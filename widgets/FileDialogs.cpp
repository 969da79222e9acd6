#include "widgets/FileDialogs.h"

#include <utility>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>
#include <QStandardPaths>

namespace {
CFileDialogs::Hook& TestHook()
{
    static CFileDialogs::Hook hook;
    return hook;
}

// Directories and files that can be run. Programs here carry no extension, and the file
// model's own permission flags hide entries rather than select them, so the choice is made
// over the model's file information.
class CProgramFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto* model = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (model == nullptr) {
            return true;
        }
        const QFileInfo info{model->fileInfo(model->index(row, 0, parent))};
        return info.isDir() || info.isExecutable();
    }
};
} // namespace

std::unique_ptr<QFileDialog> CFileDialogs::CreateDialog(QWidget* parent, const Request& request)
{
    auto dialog = std::make_unique<QFileDialog>(parent, request.caption, request.directory);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    if (request.programsOnly) {
        // Only Qt's own dialog can filter on the executable bit.
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setProxyModel(new CProgramFilter{dialog.get()});
    }
    return dialog;
}

QString CFileDialogs::GetOpenFileName(QWidget* parent, const Request& request)
{
    if (TestHook()) {
        return TestHook()(request);
    }
    const std::unique_ptr<QFileDialog> dialog{CreateDialog(parent, request)};
    for (;;) {
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
            return {};
        }
        const QFileInfo chosen{dialog->selectedFiles().constFirst()};
        // A typed name of a file that cannot be run is not taken as a program.
        if (!request.programsOnly || (chosen.isFile() && chosen.isExecutable())) {
            return chosen.absoluteFilePath();
        }
    }
}

QString CFileDialogs::ProgramDirectory(const QString& current)
{
    const QString value{current.trimmed()};
    if (!value.isEmpty()) {
        const QString found{
            value.contains(QLatin1Char{'/'}) ? value : QStandardPaths::findExecutable(value)};
        const QFileInfo info{found};
        if (!found.isEmpty() && info.absoluteDir().exists()) {
            return info.absolutePath();
        }
    }
    return QStringLiteral("/usr/bin");
}

void CFileDialogs::SetTestHook(Hook hook)
{
    TestHook() = std::move(hook);
}
