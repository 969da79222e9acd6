#pragma once

#include <functional>
#include <memory>

#include <QString>

class QFileDialog;
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
        // Only directories and executable files are listed; the dialog takes only a file that
        // exists, and with this flag only one that can be run.
        bool programsOnly{false};
    };
    using Hook = std::function<QString(const Request&)>;

    // The full path of the chosen existing file; empty when the dialog was cancelled.
    static QString GetOpenFileName(QWidget* parent, const Request& request);

    // The dialog GetOpenFileName shows, set up but not yet shown.
    static std::unique_ptr<QFileDialog> CreateDialog(QWidget* parent, const Request& request);

    // Where browsing for a program starts: the directory of the current value (a bare name is
    // looked up on the search path), else /usr/bin.
    static QString ProgramDirectory(const QString& current);

    // Replaces showing the dialog; an empty hook shows it again.
    static void SetTestHook(Hook hook);
};
