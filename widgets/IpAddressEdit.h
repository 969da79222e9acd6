#pragma once

#include <array>
#include <optional>

#include <QWidget>

class QLineEdit;

// An IPv4 address as four fields of 0 to 255. A field may be blank: the stored address text
// may lack parts, and a blank field is told apart from 0 until the address is written.
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

    QLineEdit* Field(int index) const { return m_fields.at(static_cast<std::size_t>(index)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnFieldEdited(int index);
    void FocusField(int index);

    std::array<QLineEdit*, 4> m_fields{};
};
