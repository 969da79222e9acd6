#include "widgets/IpAddressEdit.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace {
constexpr int kFieldCount{4};
constexpr int kFieldDigits{3};
constexpr int kFieldMax{255};
} // namespace

CIpAddressEdit::CIpAddressEdit(QWidget* parent) : QWidget{parent}
{
    auto* layout = new QHBoxLayout{this};
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* validator = new QRegularExpressionValidator{
        QRegularExpression{QStringLiteral("^([01]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])?$")}, this};
    for (int i = 0; i < kFieldCount; ++i) {
        if (i > 0) {
            layout->addWidget(new QLabel{QStringLiteral("."), this});
        }
        auto* field = new QLineEdit{this};
        field->setObjectName(QStringLiteral("field%1").arg(i));
        field->setValidator(validator);
        field->setMaxLength(kFieldDigits);
        field->setAlignment(Qt::AlignCenter);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { OnFieldEdited(i); });
        layout->addWidget(field);
        m_fields.at(static_cast<std::size_t>(i)) = field;
    }
    layout->addStretch();
    setFocusProxy(m_fields.front());
}

void CIpAddressEdit::SetFields(const Fields& fields)
{
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const std::optional<int>& value = fields.at(i);
        m_fields.at(i)->setText(value ? QString::number(std::clamp(*value, 0, kFieldMax))
                                      : QString{});
    }
}

CIpAddressEdit::Fields CIpAddressEdit::GetFields() const
{
    Fields fields;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        bool ok{false};
        const int value = m_fields.at(i)->text().toInt(&ok);
        if (ok) {
            fields.at(i) = value;
        }
    }
    return fields;
}

void CIpAddressEdit::Clear()
{
    for (QLineEdit* field : m_fields) {
        field->clear();
    }
}

bool CIpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    // A point moves on to the next field, as it does when an address is typed in one go.
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Period) {
        const auto found = std::find(m_fields.begin(), m_fields.end(), watched);
        if (found != m_fields.end()) {
            FocusField(static_cast<int>(found - m_fields.begin()) + 1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CIpAddressEdit::OnFieldEdited(int index)
{
    if (Field(index)->text().size() == kFieldDigits) {
        FocusField(index + 1);
    }
}

void CIpAddressEdit::FocusField(int index)
{
    if (index < kFieldCount) {
        Field(index)->setFocus();
        Field(index)->selectAll();
    }
}
