#include "widgets/IpAddressEdit.h"

#include "widgets/UiText.h"

#include <algorithm>

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPoint>
#include <QRegularExpression>
#include <QToolTip>
#include <QValidator>

namespace {
constexpr int kFieldCount{4};
constexpr int kFieldDigits{3};
constexpr int kFieldMax{255};

const QRegularExpression& DottedAddress()
{
    static const QRegularExpression address{
        QStringLiteral("^\\s*(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\s*$")};
    return address;
}

// One field's value, 0 to 255, or a whole dotted address that a paste from the context menu or
// the selection brings in and that the control then spreads over its fields.
class CFieldValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        static const QRegularExpression field{
            QStringLiteral("^([01]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])?$")};
        return field.match(input).hasMatch() || DottedAddress().match(input).hasMatch() ? Acceptable
                                                                                        : Invalid;
    }
};
} // namespace

CIpAddressEdit::CIpAddressEdit(QWidget* parent) : QWidget{parent}
{
    auto* layout = new QHBoxLayout{this};
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* validator = new CFieldValidator{this};
    for (int i = 0; i < kFieldCount; ++i) {
        if (i > 0) {
            layout->addWidget(new QLabel{QStringLiteral("."), this});
        }
        auto* field = new QLineEdit{this};
        field->setObjectName(QStringLiteral("field%1").arg(i));
        field->setValidator(validator);
        field->setAlignment(Qt::AlignCenter);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { OnFieldEdited(i); });
        // A key the field refuses (a fourth digit, a value above 255) keeps the field as it
        // was and says why, under the field.
        connect(field, &QLineEdit::inputRejected, this, [field] {
            QToolTip::showText(field->mapToGlobal(QPoint{0, field->height()}),
                               CUiText::Text(StringId::OctetRange), field);
        });
        layout->addWidget(field);
        m_fields.at(static_cast<std::size_t>(i)) = field;
    }
    layout->addStretch();
    // A label's mnemonic only moves the focus to a buddy that takes focus; the first field
    // receives it.
    setFocusPolicy(Qt::StrongFocus);
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

bool CIpAddressEdit::SetAddressText(const QString& text)
{
    const QRegularExpressionMatch match = DottedAddress().match(text);
    if (!match.hasMatch()) {
        return false;
    }
    Fields fields;
    for (int i = 0; i < kFieldCount; ++i) {
        const int value = match.captured(i + 1).toInt();
        if (value > kFieldMax) {
            return false;
        }
        fields.at(static_cast<std::size_t>(i)) = value;
    }
    SetFields(fields);
    return true;
}

bool CIpAddressEdit::eventFilter(QObject* watched, QEvent* event)
{
    const auto found = std::find(m_fields.begin(), m_fields.end(), watched);
    if (found == m_fields.end()) {
        return QWidget::eventFilter(watched, event);
    }
    const int index = static_cast<int>(found - m_fields.begin());
    if (event->type() == QEvent::FocusOut) {
        m_autoMovedTo = -1;
    }
    if (event->type() == QEvent::KeyPress) {
        const bool handled = HandleKey(index, *static_cast<QKeyEvent*>(event));
        if (m_autoMovedTo == index) {
            // Only the key right after the move may be the point that completes the field.
            m_autoMovedTo = -1;
        }
        return handled;
    }
    return QWidget::eventFilter(watched, event);
}

bool CIpAddressEdit::HandleKey(int index, const QKeyEvent& key)
{
    QLineEdit* field = Field(index);
    if (key.matches(QKeySequence::Paste)) {
        const QString pasted = QGuiApplication::clipboard()->text();
        if (SetAddressText(pasted)) {
            FocusField(kFieldCount - 1, false);
            return true;
        }
        return false;
    }
    const bool atStart = field->cursorPosition() == 0 && !field->hasSelectedText();
    const bool atEnd = field->cursorPosition() == field->text().size() && !field->hasSelectedText();
    switch (key.key()) {
    case Qt::Key_Period:
    case Qt::Key_Comma:
        // The point that an operator types after three digits ends the field the automatic
        // move has already ended; a point in an empty field has nothing to end.
        if (m_autoMovedTo != index && !field->text().isEmpty()) {
            FocusField(index + 1, true);
        }
        return true;
    case Qt::Key_Backspace:
        if (atStart && index > 0) {
            QLineEdit* previous = Field(index - 1);
            FocusField(index - 1, false);
            previous->backspace();
            return true;
        }
        return false;
    case Qt::Key_Left:
        if (atStart && index > 0 && key.modifiers() == Qt::NoModifier) {
            FocusField(index - 1, false);
            return true;
        }
        return false;
    case Qt::Key_Right:
        if (atEnd && index + 1 < kFieldCount && key.modifiers() == Qt::NoModifier) {
            FocusField(index + 1, false);
            Field(index + 1)->setCursorPosition(0);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void CIpAddressEdit::OnFieldEdited(int index)
{
    if (Field(index)->text().contains(QLatin1Char{'.'})) {
        // A pasted address; the validator let through only a whole one. A part above 255
        // leaves the field as it was.
        const QString pasted{Field(index)->text()};
        Field(index)->undo();
        if (SetAddressText(pasted)) {
            FocusField(kFieldCount - 1, false);
        }
        return;
    }
    if (Field(index)->text().size() == kFieldDigits &&
        Field(index)->cursorPosition() == kFieldDigits && index + 1 < kFieldCount) {
        FocusField(index + 1, true);
        m_autoMovedTo = index + 1;
    }
}

void CIpAddressEdit::FocusField(int index, bool selectAll)
{
    if (index >= kFieldCount) {
        return;
    }
    QLineEdit* field = Field(index);
    field->setFocus(Qt::OtherFocusReason);
    if (selectAll) {
        field->selectAll();
    } else {
        field->deselect();
        field->setCursorPosition(static_cast<int>(field->text().size()));
    }
}
