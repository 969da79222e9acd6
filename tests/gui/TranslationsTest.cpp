#include "core/StringTable.h"

#include <QRegularExpression>
#include <QTranslator>
#include <QtTest>

namespace {
// Titles of the alarm applications' own windows, matched exactly and never translated.
bool IsFixedTitle(StringId id)
{
    switch (id) {
    case StringId::AlarmControlCenterTitle:
    case StringId::AlarmControlCenterTitleDt:
    case StringId::AlarmControlCenterTitleFr:
    case StringId::AlarmViewerTitle:
    case StringId::AlarmViewerTitleDt:
    case StringId::AlarmViewerTitleFr:
        return true;
    default:
        return false;
    }
}

// The placeholders in their order: printf fields must stay in sequence, and %1/%2 must stay.
QStringList Placeholders(const QString& text)
{
    static const QRegularExpression placeholder{QStringLiteral("%[0-9sdx]")};
    QStringList found;
    for (const auto& match : placeholder.globalMatch(text)) {
        found.append(match.captured());
    }
    return found;
}
} // namespace

class TranslationsTest : public QObject
{
    Q_OBJECT

private slots:
    void EveryStringTableText_IsTranslatedWithItsPlaceholders_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("German") << QStringLiteral("zezodi_dt.qm");
        QTest::newRow("French") << QStringLiteral("zezodi_fr.qm");
    }

    void EveryStringTableText_IsTranslatedWithItsPlaceholders()
    {
        QFETCH(QString, file);
        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral(ZEZODI_TEST_TRANSLATIONS_DIR "/") + file));
        int checked{0};
        // The ids are numbered below 2000; values that name no text have an empty source.
        for (int value = 0; value < 2000; ++value) {
            const auto id = static_cast<StringId>(value);
            const QString source{QString::fromUtf8(CStringTable::Source(id))};
            if (source.isEmpty() || IsFixedTitle(id)) {
                continue;
            }
            const QString translation{
                translator.translate("StringTable", CStringTable::Source(id))};
            QVERIFY2(!translation.isEmpty(), qPrintable(source));
            QCOMPARE(Placeholders(translation), Placeholders(source));
            QCOMPARE(translation.startsWith(QLatin1Char('\n')),
                     source.startsWith(QLatin1Char('\n')));
            ++checked;
        }
        QVERIFY(checked > 100);
    }
};

QTEST_MAIN(TranslationsTest)
#include "TranslationsTest.moc"
