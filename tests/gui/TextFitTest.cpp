#include "BoxRecorder.h"
#include "WindowTestEnvironment.h"
#include "app/LanguageLoader.h"
#include "core/ProfileStore.h"
#include "primary/ClientSettingsDlg.h"
#include "primary/ClientSyncDlg.h"
#include "primary/PrimaryDlg.h"
#include "primary/PrimarySettingsDlg.h"
#include "secondary/CompareIniDlg.h"
#include "secondary/IniComparer.h"
#include "secondary/SecondaryDlg.h"
#include "secondary/SecondarySettingsDlg.h"
#include "widgets/AboutDlg.h"
#include "widgets/IconButton.h"
#include "widgets/Mnemonics.h"
#include "widgets/SortListCtrl.h"

#include <functional>
#include <memory>
#include <vector>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QTreeWidget>
#include <QtTest>

namespace {

int TextWidth(const QWidget& widget, const QString& text)
{
    // Wide enough for the longest line of the text.
    return widget.fontMetrics().size(0, CMnemonics::Plain(text)).width();
}

// Every text of the window that the operator could find cut: captions of labels, buttons,
// check boxes, radio buttons and group boxes, list headers and cells, and the columns of a
// list out of its view. One line per fault, naming the control and its text.
QStringList CutTexts(const QWidget& window)
{
    QStringList faults;
    const auto fault = [&faults](const QWidget& widget, const QString& text, int needed, int room) {
        if (needed > room) {
            faults.append(QStringLiteral("%1 \"%2\": %3 > %4")
                              .arg(widget.objectName(), text)
                              .arg(needed)
                              .arg(room));
        }
    };
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window)) {
            continue;
        }
        const QStyle& style{*widget->style()};
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            if (!label->wordWrap() && label->pixmap().isNull()) {
                fault(*label, label->text(), TextWidth(*label, label->text()),
                      label->contentsRect().width());
            }
        } else if (const auto* icon = qobject_cast<const CIconButton*>(widget)) {
            if (!icon->text().isEmpty()) {
                const int left = icon->ImageRect().isNull() ? 0 : icon->ImageRect().right();
                fault(*icon, icon->text(), icon->CaptionRect().right() + CIconButton::kMargin,
                      icon->width());
                fault(*icon, icon->text(), left, icon->CaptionRect().left());
            }
        } else if (qobject_cast<const QCheckBox*>(widget) != nullptr ||
                   qobject_cast<const QRadioButton*>(widget) != nullptr) {
            const auto& button{*qobject_cast<const QAbstractButton*>(widget)};
            const int indicator = style.pixelMetric(QStyle::PM_IndicatorWidth) +
                                  style.pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
            fault(button, button.text(), indicator + TextWidth(button, button.text()),
                  button.width());
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            fault(*button, button->text(), TextWidth(*button, button->text()) + 8, button->width());
        } else if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
            fault(*group, group->title(), TextWidth(*group, group->title()) + 16, group->width());
        } else if (const auto* list = qobject_cast<const QTreeWidget*>(widget)) {
            const QHeaderView& header{*list->header()};
            const int padding = 2 * style.pixelMetric(QStyle::PM_HeaderMargin);
            const int cellPadding = 2 * (style.pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
            int total{0};
            for (int column = 0; column < list->columnCount(); ++column) {
                const QString text{list->headerItem()->text(column)};
                fault(*list, text, header.fontMetrics().horizontalAdvance(text) + padding,
                      header.sectionSize(column));
                total += header.sectionSize(column);
                const auto* sortList = qobject_cast<const CSortListCtrl*>(list);
                if (sortList != nullptr && sortList->KeepsColumnWidth(column)) {
                    continue;
                }
                for (int row = 0; row < list->topLevelItemCount(); ++row) {
                    const QTreeWidgetItem& item{*list->topLevelItem(row)};
                    const int image = item.icon(column).isNull() ? 0 : list->iconSize().width() + 4;
                    fault(*list, item.text(column),
                          TextWidth(*list, item.text(column)) + image + cellPadding,
                          list->columnWidth(column));
                }
            }
            fault(*list, QStringLiteral("(all columns)"), total, list->viewport()->width());
        }
    }
    return faults;
}

} // namespace

// Every dialog in every language, at the size it opens with: no caption, header or list text
// is cut, and every column is in view.
class TextFitTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_env = std::make_unique<CWindowTestEnvironment>();
        QVERIFY(m_env->IsValid());
        QVERIFY(m_env->UseFreePorts());
        m_env->WriteConfig("PrimaryIPAddress", "192.168.10.200");
        QVERIFY(QDir{}.mkpath(m_env->Root() + QStringLiteral("/download")));
        m_boxes.Start();
    }

    void cleanup()
    {
        m_boxes.Stop();
        m_env.reset();
    }

    void EveryDialog_ShowsItsTextsUncut_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QString{};
        QTest::newRow("German") << QStringLiteral("DT");
        QTest::newRow("French") << QStringLiteral("FR");
    }

    void EveryDialog_ShowsItsTextsUncut()
    {
        QFETCH(QString, language);
        qputenv("ZEZODI_TRANSLATIONS_DIR", ZEZODI_TEST_TRANSLATIONS_DIR);
        CLanguageLoader loader;
        if (!language.isEmpty()) {
            QVERIFY(loader.Load(language.toStdString()));
            // Qt's own texts (standard buttons, context menus) speak the language too.
            QVERIFY(QCoreApplication::translate("QPlatformTheme", "&Yes") !=
                    QStringLiteral("&Yes"));
        }
        CProfileStore::WriteText("SecondaryServers", "ClientName1", "ALARM-NORTH-SERVER",
                                 "zezodi.ini");
        CProfileStore::WriteText("SecondaryServers", "ClientIP1", "192.168.100.200", "zezodi.ini");
        CProfileStore::WriteText("SecondaryServers", "ClientLoc1", "Control room north",
                                 "zezodi.ini");

        SPrimarySettings primary;
        primary.computerName = "PRIMARY01";
        SSecondarySettings secondary;
        secondary.webPath = "http://127.0.0.1:1/syncdata";
        secondary.downloadDir = (m_env->Root() + QStringLiteral("/download")).toStdString();
        secondary.logDir = (m_env->InstallDir() + QStringLiteral("/log")).toStdString();
        const std::vector<std::function<std::unique_ptr<QDialog>()>> dialogs{
            [] {
                auto dlg = std::make_unique<CPrimaryDlg>();
                dlg->AddReportLine("Preparation for synchronization started manually", 0);
                return std::unique_ptr<QDialog>{std::move(dlg)};
            },
            [] {
                auto dlg = std::make_unique<CSecondaryDlg>();
                dlg->AddReportLine("Synchronization started automatically", 0);
                return std::unique_ptr<QDialog>{std::move(dlg)};
            },
            [] { return std::make_unique<CPrimarySettingsDlg>(); },
            [] { return std::make_unique<CSecondarySettingsDlg>(); },
            [] { return std::make_unique<CClientSettingsDlg>(-1); },
            [] { return std::make_unique<CClientSettingsDlg>(1); },
            [&primary] { return std::make_unique<CClientSyncDlg>(primary); },
            [&secondary] {
                auto dlg = std::make_unique<CCompareIniDlg>(secondary);
                auto* results = dlg->findChild<CSortListCtrl*>(QStringLiteral("resultList"));
                for (int status = 0; status < 3; ++status) {
                    results->InsertRow(0, status,
                                       {QStringLiteral("jxaconf.ini"),
                                        QString::fromStdString(CIniComparer::StatusText(status)),
                                        QStringLiteral("Config"), QStringLiteral("DefaultLanguage"),
                                        QStringLiteral("EN"), QStringLiteral("DT")});
                }
                return std::unique_ptr<QDialog>{std::move(dlg)};
            },
            [] { return std::make_unique<CAboutDlg>(); },
        };
        for (const auto& open : dialogs) {
            const std::unique_ptr<QDialog> dialog{open()};
            dialog->show();
            QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
            const QStringList cut{CutTexts(*dialog)};
            QVERIFY2(cut.isEmpty(), qPrintable(dialog->metaObject()->className() +
                                               QStringLiteral(": ") + cut.join(u"; ")));
        }
    }

private:
    std::unique_ptr<CWindowTestEnvironment> m_env;
    CBoxRecorder m_boxes;
};

QTEST_MAIN(TextFitTest)
#include "TextFitTest.moc"
