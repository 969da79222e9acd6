#include "widgets/IntervalCombo.h"

#include <QComboBox>

void CIntervalCombo::AddItems(QComboBox& combo)
{
    for (int value = 1; value <= 16; ++value) {
        combo.addItem(QString::number(value));
    }
    for (const int value : {20, 24, 30, 48, 60, 72}) {
        combo.addItem(QString::number(value));
    }
}
