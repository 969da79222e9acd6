#pragma once

#include <functional>

#include <QString>

class QWidget;

// The platform's file-open dialog. Tests install a hook that receives the request and answers
// with a path (or nothing, as Cancel), so that nothing blocks on a modal dialog.
class CFileDialogs
{
public:
    struct Request
    {
        QString caption;
        QString directory;
        // Only executable files are listed; the dialog takes only a file that exists.
        bool programsOnly{false};
    };
    using Hook = std::function<QString(const Request&)>;

    // The full path of the chosen existing file; empty when the dialog was cancelled.
    static QString GetOpenFileName(QWidget* parent, const Request& request);

    // Replaces showing the dialog; an empty hook shows it again.
    static void SetTestHook(Hook hook);
};
