#pragma once

class QComboBox;

// The drop-down list of the settings dialogs' synchronisation interval: the usual intervals
// to choose from, any other number typed in.
class CIntervalCombo
{
public:
    // Adds the items "1" to "16", "20", "24", "30", "48", "60" and "72".
    static void AddItems(QComboBox& combo);
};
