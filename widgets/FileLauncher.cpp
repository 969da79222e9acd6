#include "widgets/FileLauncher.h"

#include "widgets/MessageBoxes.h"
#include "widgets/UiText.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {
CFileLauncher::Hook& TestHook()
{
    static CFileLauncher::Hook hook;
    return hook;
}
} // namespace

bool CFileLauncher::OpenInEditor(const QString& path)
{
    if (TestHook()) {
        return TestHook()(path);
    }
    // The desktop's launcher starts in the background and reports nothing about a missing file.
    if (!QFileInfo{path}.isFile()) {
        return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool CFileLauncher::OpenInEditorOrReport(const QString& path)
{
    if (OpenInEditor(path)) {
        return true;
    }
    // The desktop's launcher needs xdg-open; without it an existing file only needs a package.
    const bool noOpener{QFileInfo{path}.isFile() &&
                        QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()};
    CMessageBoxes::ShowErrorBox(
        CUiText::Text(noOpener ? StringId::NoOpenerInstalled : StringId::NoProgramForFile)
            .arg(path),
        CUiText::Text(StringId::Error));
    return false;
}

void CFileLauncher::SetTestHook(Hook hook)
{
    TestHook() = std::move(hook);
}
