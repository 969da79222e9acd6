#pragma once

#include "widgets/MessageBoxes.h"

#include <QList>
#include <QMessageBox>

// Stands in for the operator at every message box: while started it keeps each box that would
// have been shown and answers it with `answer`.
class CBoxRecorder
{
public:
    CBoxRecorder() = default;
    ~CBoxRecorder() { Stop(); }
    CBoxRecorder(const CBoxRecorder&) = delete;
    CBoxRecorder& operator=(const CBoxRecorder&) = delete;

    // Forgets the boxes seen so far and answers Ok from now on.
    void Start()
    {
        boxes.clear();
        answer = QMessageBox::Ok;
        CMessageBoxes::SetTestHook([this](const CMessageBoxes::Box& box) {
            boxes.append(box);
            return answer;
        });
    }

    static void Stop() { CMessageBoxes::SetTestHook({}); }

    QList<CMessageBoxes::Box> boxes;
    QMessageBox::StandardButton answer{QMessageBox::Ok};
};
