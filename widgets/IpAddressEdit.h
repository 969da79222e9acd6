#pragma once

#include <array>
#include <optional>

#include <QWidget>

class QKeyEvent;
class QLineEdit;

// An IPv4 address as four fields of 0 to 255. A field may be blank: the stored address text
// may lack parts, and a blank field is told apart from 0 until the address is written.
// Typing behaves as in any address field: three digits or a point move on to the next field (a
// point typed right after such an automatic move does not move again), Backspace at the start
// of a field goes on deleting in the previous one, the arrow keys cross the field borders, and
// a pasted dotted address fills all four fields. A key that would make a field invalid is
// refused with a hint under the field.
class CIpAddressEdit : public QWidget
{
    Q_OBJECT

public:
    using Fields = std::array<std::optional<int>, 4>;

    explicit CIpAddressEdit(QWidget* parent = nullptr);

    // Shows the fields; a value outside 0 .. 255 is held to that range.
    void SetFields(const Fields& fields);
    Fields GetFields() const;

    // Blanks all four fields.
    void Clear();

    // Fills all four fields from a dotted address "a.b.c.d" (blanks around it ignored). False,
    // changing nothing, when the text is not such an address.
    bool SetAddressText(const QString& text);

    QLineEdit* Field(int index) const { return m_fields.at(static_cast<std::size_t>(index)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleKey(int index, const QKeyEvent& key);
    void OnFieldEdited(int index);
    void FocusField(int index, bool selectAll);

    std::array<QLineEdit*, 4> m_fields{};
    // The field that the last three-digit entry moved the cursor into, -1 when none.
    int m_autoMovedTo{-1};
};
