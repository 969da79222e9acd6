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

    // False when the desktop could not open the file.
    static bool OpenInEditor(const QString& path);

    // Replaces the desktop's launcher; an empty hook restores it.
    static void SetTestHook(Hook hook);
};
