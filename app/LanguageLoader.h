#pragma once

#include <string_view>

#include <QString>
#include <QTranslator>

// Puts the user interface into the language that Config/DefaultLanguage names: "DT" German,
// "FR" French (exact, case-sensitive), anything else the built-in English.
class CLanguageLoader
{
public:
    CLanguageLoader() = default;
    CLanguageLoader(const CLanguageLoader&) = delete;
    CLanguageLoader& operator=(const CLanguageLoader&) = delete;
    ~CLanguageLoader();

    // "zezodi_dt.qm", "zezodi_fr.qm" or empty.
    static QString TranslationFile(std::string_view defaultLanguage);

    // $ZEZODI_TRANSLATIONS_DIR when set; else "translations" beside the executable when it
    // exists (the build tree); else ../share/zezodi/translations (an installation).
    static QString TranslationsDirectory();

    // Installs the translation for defaultLanguage. When it cannot be loaded, shows string 140
    // naming the file under string 109 and keeps English. True when a translation is installed.
    bool Load(std::string_view defaultLanguage);

private:
    void LoadQtTranslation(const QString& language);

    QTranslator m_translator;
    QTranslator m_qtTranslator;
};
