#include "widgets/SortListCtrl.h"

#include <algorithm>
#include <memory>
#include <random>

#include <QHeaderView>
#include <QPixmap>
#include <QTest>

namespace {

QStringList Column(const CSortListCtrl& list, int column)
{
    QStringList texts;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        texts.append(list.topLevelItem(row)->text(column));
    }
    return texts;
}

void ClickHeader(CSortListCtrl& list, int column, Qt::MouseButton button = Qt::LeftButton)
{
    QHeaderView* header = list.header();
    const QPoint at{header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2};
    QTest::mouseClick(header->viewport(), button, {}, at);
}

QIcon ColourIcon(Qt::GlobalColor colour)
{
    QPixmap pixmap{16, 16};
    pixmap.fill(colour);
    return QIcon{pixmap};
}

} // namespace

class SortListCtrlTest : public QObject
{
    Q_OBJECT

private:
    // A shown file list of the primary's shape: 6 columns, the third one holding sizes.
    std::unique_ptr<CSortListCtrl> FileList(const QStringList& sizes)
    {
        auto list = std::make_unique<CSortListCtrl>(6, true);
        list->resize(900, 300);
        for (const QString& size : sizes) {
            list->InsertRow(list->topLevelItemCount(), 0,
                            {"name " + size, "dir", size, "date", "crc", "packed"});
        }
        list->show();
        if (!QTest::qWaitForWindowExposed(list.get())) {
            qFatal("list window not exposed");
        }
        return list;
    }

private slots:
    void EmptyAndSingleRowLists_AreLeftUnchanged()
    {
        auto empty = FileList({});
        QVERIFY(!empty->SortTextItems(2, true, 0, -1));
        ClickHeader(*empty, 2);
        QCOMPARE(empty->topLevelItemCount(), 0);

        auto single = FileList({"5 KB"});
        QVERIFY(!single->SortTextItems(2, true, 0, -1));
        ClickHeader(*single, 2);
        ClickHeader(*single, 2);
        QCOMPARE(Column(*single, 2), QStringList{"5 KB"});
    }

    void SizeColumn_SortsAsTextAndEachClickOnItReversesTheOrder()
    {
        auto list = FileList({"9 KB", "10 KB", "2 KB", "100 KB"});
        const QStringList ascending{"10 KB", "100 KB", "2 KB", "9 KB"};
        QStringList descending = ascending;
        std::reverse(descending.begin(), descending.end());

        ClickHeader(*list, 2);
        QCOMPARE(Column(*list, 2), ascending);
        QCOMPARE(list->SortColumn(), 2);
        QVERIFY(list->IsAscending());
        ClickHeader(*list, 2);
        QCOMPARE(Column(*list, 2), descending);
        QVERIFY(!list->IsAscending());
        ClickHeader(*list, 2);
        QCOMPARE(Column(*list, 2), ascending);
    }

    void NewColumnAfterDescendingSort_SortsAscending()
    {
        auto list = FileList({"1", "3", "2"});
        ClickHeader(*list, 2);
        ClickHeader(*list, 2);
        QCOMPARE(Column(*list, 2), (QStringList{"3", "2", "1"}));
        ClickHeader(*list, 0);
        QCOMPARE(list->SortColumn(), 0);
        QVERIFY(list->IsAscending());
        QCOMPARE(Column(*list, 0), (QStringList{"name 1", "name 2", "name 3"}));
    }

    void SortArrow_ShowsTheOrderAndNewRowsTakeTheirPlaceInIt_data()
    {
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("ascending") << true << QStringList{"1", "2", "2", "3", "4"};
        QTest::newRow("descending") << false << QStringList{"4", "3", "2", "2", "1"};
    }

    void SortArrow_ShowsTheOrderAndNewRowsTakeTheirPlaceInIt()
    {
        QFETCH(bool, ascending);
        QFETCH(QStringList, expected);
        auto list = FileList({"3", "1", "2"});
        QVERIFY(!list->header()->isSortIndicatorShown());
        ClickHeader(*list, 2);
        if (!ascending) {
            ClickHeader(*list, 2);
        }
        // A click with another button neither sorts nor turns the arrow.
        ClickHeader(*list, 2, Qt::RightButton);
        QVERIFY(list->header()->isSortIndicatorShown());
        QCOMPARE(list->header()->sortIndicatorSection(), 2);
        QCOMPARE(list->header()->sortIndicatorOrder(),
                 ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        list->InsertRow(0, 0, {"late", "dir", "4", "date", "crc", "packed"});
        list->InsertRow(0, 0, {"later", "dir", "2", "date", "crc", "packed"});
        QCOMPARE(Column(*list, 2), expected);

        // An order set from outside, as a remembered one comes back.
        QVERIFY(list->SetSortState(0, !ascending));
        QCOMPARE(list->header()->sortIndicatorSection(), 0);
        QCOMPARE(list->topLevelItem(0)->text(0),
                 ascending ? QStringLiteral("name 3") : QStringLiteral("late"));
        QVERIFY(!list->SetSortState(6, true));
    }

    void Comparison_IsByteWiseOnUtf8()
    {
        // Upper case before lower case; U+FFFD before U+1F600 in UTF-8 although its UTF-16
        // code unit is the larger one.
        auto list = FileList({"b", "\U0001F600", "B", "a", "\uFFFD", "A", "z"});
        ClickHeader(*list, 2);
        QCOMPARE(Column(*list, 2), (QStringList{"A", "B", "a", "b", "z", "\uFFFD", "\U0001F600"}));
    }

    void Rows_MoveWithEveryColumnTheirImageDataAndState()
    {
        const QList<QIcon> images{ColourIcon(Qt::green), ColourIcon(Qt::red), ColourIcon(Qt::blue)};
        CSortListCtrl list{8, true};
        list.SetImageList(images);
        list.resize(1000, 300);
        const QStringList keys{"d", "a", "c", "e", "b"};
        for (int id = 0; id < keys.size(); ++id) {
            QStringList texts;
            for (int column = 0; column < 8; ++column) {
                texts.append(QString{"row%1-col%2"}.arg(id).arg(column));
            }
            texts[5] = keys[id];
            QTreeWidgetItem* item = list.InsertRow(0, id % 3, texts);
            item->setData(0, Qt::UserRole, id);
            item->setCheckState(0, id % 2 == 0 ? Qt::Checked : Qt::Unchecked);
        }
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        // Row of id 3 ("e") selected, row of id 1 ("a") current only.
        list.topLevelItem(1)->setSelected(true);
        list.selectionModel()->setCurrentIndex(list.model()->index(3, 0),
                                               QItemSelectionModel::NoUpdate);

        ClickHeader(list, 5);

        QCOMPARE(Column(list, 5), (QStringList{"a", "b", "c", "d", "e"}));
        for (int row = 0; row < list.topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = list.topLevelItem(row);
            const int id = item->data(0, Qt::UserRole).toInt();
            QCOMPARE(item->text(5), keys[id]);
            for (int column = 0; column < 8; ++column) {
                if (column != 5) {
                    QCOMPARE(item->text(column), QString{"row%1-col%2"}.arg(id).arg(column));
                }
            }
            QCOMPARE(item->icon(0).cacheKey(), images[id % 3].cacheKey());
            QCOMPARE(item->checkState(0), id % 2 == 0 ? Qt::Checked : Qt::Unchecked);
            QCOMPARE(item->isSelected(), id == 3);
        }
        QCOMPARE(list.selectedItems().size(), 1);
        QCOMPARE(list.currentItem()->data(0, Qt::UserRole).toInt(), 1);
        QCOMPARE(list.indexOfTopLevelItem(list.selectedItems().front()), 4);
    }

    void OtherButtonsOnTheHeader_ChangeNothing()
    {
        auto list = FileList({"9 KB", "10 KB", "2 KB"});
        ClickHeader(*list, 2, Qt::RightButton);
        ClickHeader(*list, 2, Qt::MiddleButton);
        QCOMPARE(Column(*list, 2), (QStringList{"9 KB", "10 KB", "2 KB"}));
        QCOMPARE(list->SortColumn(), -1);
    }

    void ReportListHeaderClick_LeavesBothListsUnchanged()
    {
        auto files = FileList({"9 KB", "10 KB"});
        CSortListCtrl report{2, false};
        report.resize(400, 200);
        report.InsertRow(0, 0, {"12:00", "second"});
        report.InsertRow(0, 0, {"12:01", "first"});
        report.show();
        QVERIFY(QTest::qWaitForWindowExposed(&report));

        ClickHeader(report, 0);
        ClickHeader(report, 1);

        QCOMPARE(Column(report, 1), (QStringList{"first", "second"}));
        QCOMPARE(report.SortColumn(), -1);
        QCOMPARE(Column(*files, 2), (QStringList{"9 KB", "10 KB"}));
    }

    void InsertRow_PlacesTheRowAndShowsItsImage()
    {
        const QList<QIcon> images{ColourIcon(Qt::green), ColourIcon(Qt::red)};
        CSortListCtrl list{2, false};
        list.SetImageList(images);
        list.InsertRow(0, 1, {"older", "x"});
        list.InsertRow(0, 0, {"newer", "y"});
        list.InsertRow(99, 7, {"last", "z"});
        QCOMPARE(Column(list, 0), (QStringList{"newer", "older", "last"}));
        QCOMPARE(list.topLevelItem(0)->icon(0).cacheKey(), images[0].cacheKey());
        QCOMPARE(list.topLevelItem(1)->icon(0).cacheKey(), images[1].cacheKey());
        QVERIFY(list.topLevelItem(2)->icon(0).isNull());
    }

    void KeptColumnTooltips_MoveWithTheirRows()
    {
        CSortListCtrl list{2, true};
        list.KeepColumnWidth(1);
        for (const char* name : {"b", "c", "a"}) {
            list.InsertRow(0, -1, {name, QStringLiteral("/dir/of/") + name});
        }
        QVERIFY(list.SortTextItems(0, true, 0, -1));
        for (int row = 0; row < list.topLevelItemCount(); ++row) {
            const QTreeWidgetItem& item{*list.topLevelItem(row)};
            QCOMPARE(item.toolTip(1), item.text(1));
        }
    }

    void InvalidRangesAndColumns_AreRefused()
    {
        auto list = FileList({"b", "a", "c"});
        QVERIFY(!list->SortTextItems(6, true, 0, -1));
        QVERIFY(!list->SortTextItems(-1, true, 0, -1));
        QVERIFY(!list->SortTextItems(2, true, 0, 3));
        QVERIFY(!list->SortTextItems(2, true, -1, 2));
        QVERIFY(!list->SortTextItems(2, true, 2, 1));
        QCOMPARE(Column(*list, 2), (QStringList{"b", "a", "c"}));
    }

    void SubRange_SortsOnlyThoseRows()
    {
        auto list = FileList({"e", "d", "c", "b", "a"});
        QVERIFY(list->SortTextItems(2, true, 1, 3));
        QCOMPARE(Column(*list, 2), (QStringList{"e", "b", "c", "d", "a"}));
    }

    void LargeLists_EndSortedByBytesWithTheirRowsIntact()
    {
        std::mt19937 random{20240521};
        const QString alphabet{"aAbB09 ._-zZ\u00e4\u00c4\u00df"};
        std::uniform_int_distribution<int> letter{0, static_cast<int>(alphabet.size()) - 1};
        std::uniform_int_distribution<int> length{0, 6};
        QStringList sizes;
        for (int i = 0; i < 3000; ++i) {
            QString text;
            for (int n = length(random); n > 0; --n) {
                text.append(alphabet[letter(random)]);
            }
            sizes.append(text);
        }
        // Already ordered and all-equal rows are the classic hard cases of a quicksort.
        QStringList ordered = sizes;
        std::sort(ordered.begin(), ordered.end(),
                  [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
        const QStringList equal(2000, "same");

        for (const QStringList& input : {sizes, ordered, equal}) {
            auto list = FileList(input);
            for (const bool ascending : {true, false}) {
                list->SortTextItems(2, ascending, 0, -1);
                const QStringList column = Column(*list, 2);
                for (int row = 1; row < column.size(); ++row) {
                    const QByteArray before = column[row - 1].toUtf8();
                    const QByteArray after = column[row].toUtf8();
                    QVERIFY2(ascending ? before <= after : before >= after,
                             qPrintable(QString{"row %1"}.arg(row)));
                }
                QStringList names = Column(*list, 0);
                QStringList expectedNames;
                for (const QString& size : input) {
                    expectedNames.append("name " + size);
                }
                names.sort();
                expectedNames.sort();
                QCOMPARE(names, expectedNames);
                for (int row = 0; row < column.size(); ++row) {
                    QCOMPARE(list->topLevelItem(row)->text(0), "name " + column[row]);
                }
            }
        }
    }
};

QTEST_MAIN(SortListCtrlTest)
#include "SortListCtrlTest.moc"
