#pragma once

#include <functional>

#include <QString>

class QDialog;

// Shared steps of the settings dialogs' tests.
namespace SettingsTestSupport {
// zezodi.ini of the test's Windows directory as it stands, empty when missing.
QString IniText();
void SetIniText(const QString& text);

// Runs action on the modal dialog that opens next, once it is shown; a dialog that does not
// open within 10 s leaves seen false and the test goes on.
void OnNextModal(std::function<void(QDialog&)> action, bool& seen);
} // namespace SettingsTestSupport
