#include "widgets/FileLauncher.h"

#include <QDesktopServices>
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
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void CFileLauncher::SetTestHook(Hook hook)
{
    TestHook() = std::move(hook);
}
