#pragma once

// Tells the operator that zezodi.ini could not be written, so that settings that were not
// stored are never taken for saved.
class CConfigWriteError
{
public:
    static void Show();
};
