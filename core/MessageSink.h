#pragma once

#include <string>

// The two message boxes of the active main window: real boxes in the windows, stderr in
// zezodictl, recorders in tests.
class CMessageSink
{
public:
    virtual ~CMessageSink() = default;

    // An error message with an exclamation icon and an OK button; returns when acknowledged.
    virtual void ShowErrorBox(const std::string& text, const std::string& caption) = 0;

    // A question with Yes and No; true for Yes. defaultNo makes No the default answer.
    virtual bool AskYesNo(const std::string& text, const std::string& caption, bool defaultNo) = 0;
};
