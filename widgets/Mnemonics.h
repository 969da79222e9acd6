#pragma once

#include <QString>

class QWidget;

// Gives every button and every labelled field of a window a mnemonic (Alt + letter), whatever
// the language of its texts: a text that has none gets the first free initial letter of one of
// its words, else its first free letter or digit, else its first free character. Letters that a
// text already marks with '&' are kept and taken first; no two controls of the window share one.
class CMnemonics
{
public:
    // Run after the window's texts are set.
    static void Assign(QWidget& window);

    // The text as shown, without the mnemonic marks.
    static QString Plain(const QString& text);

    // The character a text marks with '&', lower case; a null character when there is none.
    static QChar Marked(const QString& text);
};
