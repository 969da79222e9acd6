#pragma once

#include <functional>
#include <utility>

#include <QString>

// Opens a file in the desktop's editor for it. Tests install a hook that receives the path
// instead, so that no editor starts.
class CFileLauncher
{
public:
    using Hook = std::function<bool(const QString& path)>;

    // False when the file does not exist or the desktop could not open it.
    static bool OpenInEditor(const QString& path);

    // As OpenInEditor; when no program opens the file, an error box names it, and names the
    // package to install when the file exists but xdg-open does not.
    static bool OpenInEditorOrReport(const QString& path);

    // Replaces the desktop's launcher; an empty hook restores it.
    static void SetTestHook(Hook hook);
};
