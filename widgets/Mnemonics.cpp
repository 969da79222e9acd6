#include "widgets/Mnemonics.h"

#include <functional>
#include <set>
#include <vector>

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace {

struct SControl
{
    std::function<QString()> text;
    std::function<void(const QString&)> setText;
};

// The buttons and the labels of fields that take the focus, in the window's order.
std::vector<SControl> Controls(QWidget& window)
{
    std::vector<SControl> controls;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (auto* button = qobject_cast<QAbstractButton*>(child)) {
            controls.push_back({[button] { return button->text(); },
                                [button](const QString& text) { button->setText(text); }});
        } else if (auto* label = qobject_cast<QLabel*>(child)) {
            const QWidget* buddy = label->buddy();
            while (buddy != nullptr && buddy->focusProxy() != nullptr) {
                buddy = buddy->focusProxy();
            }
            if (buddy != nullptr && buddy->focusPolicy() != Qt::NoFocus) {
                controls.push_back({[label] { return label->text(); },
                                    [label](const QString& text) { label->setText(text); }});
            }
        }
    }
    return controls;
}

// Where the mark goes in text: -1 when every character is taken.
qsizetype Choose(const QString& text, const std::set<QChar>& used)
{
    const auto freeAt = [&](qsizetype i) {
        return !text.at(i).isSpace() && used.count(text.at(i).toLower()) == 0;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool wordStart = i == 0 || !text.at(i - 1).isLetterOrNumber();
        if (wordStart && text.at(i).isLetter() && freeAt(i)) {
            return i;
        }
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isLetterOrNumber() && freeAt(i)) {
            return i;
        }
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char{'&'} && freeAt(i)) {
            return i;
        }
    }
    return -1;
}

} // namespace

QChar CMnemonics::Marked(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char{'&'}) {
            continue;
        }
        if (text.at(i + 1) != QLatin1Char{'&'}) {
            return text.at(i + 1).toLower();
        }
        ++i;
    }
    return {};
}

QString CMnemonics::Plain(const QString& text)
{
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char{'&'} && i + 1 < text.size()) {
            ++i;
        }
        plain.append(text.at(i));
    }
    return plain;
}

void CMnemonics::Assign(QWidget& window)
{
    const std::vector<SControl> controls{Controls(window)};
    std::set<QChar> used;
    for (const SControl& control : controls) {
        const QChar marked{Marked(control.text())};
        if (!marked.isNull()) {
            used.insert(marked);
        }
    }
    for (const SControl& control : controls) {
        const QString text{control.text()};
        if (text.isEmpty() || !Marked(text).isNull()) {
            continue;
        }
        const qsizetype at = Choose(text, used);
        if (at < 0) {
            continue;
        }
        used.insert(text.at(at).toLower());
        QString marked{text};
        marked.insert(at, QLatin1Char{'&'});
        control.setText(marked);
    }
}
