#include "app/LanguageLoader.h"

#include "widgets/MessageBoxes.h"
#include "widgets/UiText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>

CLanguageLoader::~CLanguageLoader()
{
    QCoreApplication::removeTranslator(&m_qtTranslator);
    QCoreApplication::removeTranslator(&m_translator);
}

QString CLanguageLoader::TranslationFile(std::string_view defaultLanguage)
{
    if (defaultLanguage == "DT") {
        return QStringLiteral("zezodi_dt.qm");
    }
    if (defaultLanguage == "FR") {
        return QStringLiteral("zezodi_fr.qm");
    }
    return {};
}

QString CLanguageLoader::TranslationsDirectory()
{
    const QString fromEnvironment{qEnvironmentVariable("ZEZODI_TRANSLATIONS_DIR")};
    if (!fromEnvironment.isEmpty()) {
        return fromEnvironment;
    }
    const QDir executableDir{QCoreApplication::applicationDirPath()};
    if (executableDir.exists(QStringLiteral("translations"))) {
        return executableDir.filePath(QStringLiteral("translations"));
    }
    return QDir::cleanPath(executableDir.filePath(QStringLiteral("../share/zezodi/translations")));
}

bool CLanguageLoader::Load(std::string_view defaultLanguage)
{
    const QString file{TranslationFile(defaultLanguage)};
    if (file.isEmpty()) {
        return false;
    }
    const QString path{QDir{TranslationsDirectory()}.filePath(file)};
    // A full path to an existing file: QTranslator would otherwise also try shortened names.
    if (!QFileInfo{path}.isFile() || !m_translator.load(path) ||
        !QCoreApplication::installTranslator(&m_translator)) {
        CMessageBoxes::ShowErrorBox(CUiText::Text(StringId::LanguageNotLoaded).arg(file),
                                    CUiText::Text(StringId::Error));
        return false;
    }
    LoadQtTranslation(m_translator.language());
    return true;
}

void CLanguageLoader::LoadQtTranslation(const QString& language)
{
    // Qt's own texts (standard buttons, context menus) follow when the system has them; without
    // them only those few texts stay English.
    if (m_qtTranslator.load(QStringLiteral("qtbase_") + language,
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&m_qtTranslator);
    }
}
