#include "widgets/WindowMemory.h"

#include <memory>

#include <QDialog>
#include <QHeaderView>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// A window with one list that Qt sorts itself, as a further view of a main window would be.
struct SWindow
{
    QDialog dialog;
    QAbstractItemView* list{nullptr};
    QHeaderView* header{nullptr};
};

std::unique_ptr<SWindow> Window(bool table)
{
    auto window = std::make_unique<SWindow>();
    auto* layout = new QVBoxLayout{&window->dialog};
    if (table) {
        auto* list = new QTableWidget{3, 4};
        list->setSortingEnabled(true);
        window->header = list->horizontalHeader();
        window->list = list;
    } else {
        auto* list = new QTreeWidget;
        list->setColumnCount(4);
        list->setSortingEnabled(true);
        window->header = list->header();
        window->list = list;
    }
    layout->addWidget(window->list);
    window->dialog.resize(600, 300);
    return window;
}

} // namespace

class WindowMemoryTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_config = std::make_unique<QTemporaryDir>();
        QVERIFY(m_config->isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config->path());
    }

    void QtSortedList_GetsItsWidthsAndOrderBack_data()
    {
        QTest::addColumn<bool>("table");
        QTest::addColumn<bool>("addedWhenShown");
        QTest::addColumn<bool>("retitled");
        QTest::newRow("tree") << false << false << false;
        QTest::newRow("table") << true << false << false;
        QTest::newRow("table added once shown") << true << true << false;
        QTest::newRow("tree in another language") << false << false << true;
    }

    void QtSortedList_GetsItsWidthsAndOrderBack()
    {
        QFETCH(bool, table);
        QFETCH(bool, addedWhenShown);
        QFETCH(bool, retitled);
        {
            const auto window{Window(table)};
            auto* memory = new CWindowMemory{window->dialog, QStringLiteral("Fleet")};
            memory->AddList(*window->list, QStringLiteral("Clients"));
            window->dialog.show();
            window->header->resizeSection(1, 77);
            window->header->setSortIndicator(2, Qt::DescendingOrder);
            window->dialog.accept();
        }
        const auto window{Window(table)};
        if (retitled) {
            static_cast<QTreeWidget*>(window->list)->setHeaderLabels({"Etat", "Nom", "Adresse"});
        }
        auto* memory = new CWindowMemory{window->dialog, QStringLiteral("Fleet")};
        if (!addedWhenShown) {
            memory->AddList(*window->list, QStringLiteral("Clients"));
        }
        window->dialog.show();
        if (addedWhenShown) {
            QCOMPARE(window->header->sectionSize(1), window->header->defaultSectionSize());
            memory->AddList(*window->list, QStringLiteral("Clients"));
        }
        QCOMPARE(window->header->sectionSize(1),
                 retitled ? window->header->defaultSectionSize() : 77);
        QCOMPARE(window->header->sortIndicatorSection(), 2);
        QCOMPARE(window->header->sortIndicatorOrder(), Qt::DescendingOrder);
    }

private:
    std::unique_ptr<QTemporaryDir> m_config;
};

QTEST_MAIN(WindowMemoryTest)
#include "WindowMemoryTest.moc"
