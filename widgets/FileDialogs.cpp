#include "widgets/FileDialogs.h"

#include <utility>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {
CFileDialogs::Hook& TestHook()
{
    static CFileDialogs::Hook hook;
    return hook;
}
} // namespace

QString CFileDialogs::GetOpenFileName(QWidget* parent, const Request& request)
{
    if (TestHook()) {
        return TestHook()(request);
    }
    QFileDialog dialog{parent, request.caption, request.directory};
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (request.programsOnly) {
        // Programs on this platform carry no extension; the executable bit marks them, which
        // only Qt's own dialog can filter on.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFilter(QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return QFileInfo{dialog.selectedFiles().constFirst()}.absoluteFilePath();
}

void CFileDialogs::SetTestHook(Hook hook)
{
    TestHook() = std::move(hook);
}
