#include "primary/FleetTable.h"

#include "core/ReportSink.h"
#include "core/StringTable.h"
#include "core/TimeStamp.h"
#include "primary/ClientRegistry.h"
#include "primary/FleetStateFile.h"
#include "widgets/IconButton.h"
#include "widgets/ListColumns.h"
#include "widgets/MessageBoxes.h"
#include "widgets/RunProgress.h"
#include "widgets/RunWorker.h"
#include "widgets/SortListCtrl.h"
#include "widgets/UiText.h"

#include <array>
#include <ctime>
#include <set>
#include <utility>
#include <vector>

#include <QApplication>
#include <QBrush>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QMetaObject>
#include <QPalette>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

using EState = CFleetStatus::EState;

constexpr std::array<EState, 5> kStates{EState::InSync, EState::Behind, EState::Silent,
                                        EState::Failed, EState::NeverHeard};

StringId TextOf(EState state)
{
    switch (state) {
    case EState::InSync:
        return StringId::FleetInSync;
    case EState::Behind:
        return StringId::FleetBehind;
    case EState::Silent:
        return StringId::FleetSilent;
    case EState::Failed:
        return StringId::Failed;
    case EState::NeverHeard:
        break;
    }
    return StringId::FleetNeverHeard;
}

QIcon IconOf(EState state, const QStyle& style)
{
    switch (state) {
    case EState::InSync:
        return QIcon{QStringLiteral(":/icons/success.png")};
    case EState::Behind:
        return QIcon{QStringLiteral(":/icons/updated.png")};
    case EState::Silent:
        return QIcon{QStringLiteral(":/icons/notice.png")};
    case EState::Failed:
        return QIcon{QStringLiteral(":/icons/error.png")};
    case EState::NeverHeard:
        break;
    }
    return style.standardIcon(QStyle::SP_MessageBoxQuestion);
}

// A dark shade on a light list and a light one on a dark list, so that the text stays
// readable in either palette; a client never heard of keeps the palette's text colour.
QBrush ColourOf(EState state, const QPalette& palette)
{
    const bool dark{palette.color(QPalette::Base).lightness() < 128};
    switch (state) {
    case EState::InSync:
        return QColor::fromRgb(dark ? 0x7ed87eU : 0x1a7f1aU);
    case EState::Behind:
        return QColor::fromRgb(dark ? 0x7fb2ffU : 0x1f55b0U);
    case EState::Silent:
        return QColor::fromRgb(dark ? 0xf0c050U : 0x8a5a00U);
    case EState::Failed:
        return QColor::fromRgb(dark ? 0xff8080U : 0xb01010U);
    case EState::NeverHeard:
        break;
    }
    return palette.brush(QPalette::Text);
}

QString FromUtf8(const std::string& text)
{
    return QString::fromStdString(text);
}

QStringList Texts(const CFleetStatus::SRow& row)
{
    QStringList texts{CUiText::Text(TextOf(row.state)), FromUtf8(row.name), FromUtf8(row.location),
                      FromUtf8(row.address)};
    if (!row.heard) {
        return texts;
    }
    const SRunOutcome& outcome{row.last.outcome};
    texts.append(FromUtf8(CTimeStamp::ListDate(static_cast<std::time_t>(outcome.finished))));
    // A Windows secondary reports its result only.
    if (row.last.detailed) {
        const std::time_t stamp{CTimeStamp::Parse(outcome.stamp)};
        texts.append(stamp != 0 ? FromUtf8(CTimeStamp::ListDate(stamp)) : QString{});
        texts.append(QString::number(outcome.identical));
        texts.append(QString::number(outcome.synchronised));
        texts.append(QString::number(outcome.failed));
    }
    return texts;
}

} // namespace

CFleetTable::CFleetTable(const SPrimarySettings& settings, QWidget* parent)
    : QGroupBox{parent}, m_settings{settings}, m_list{new CSortListCtrl{this}},
      m_syncButton{new CIconButton{this}}, m_timer{new QTimer{this}}, m_starter{settings}
{
    setObjectName(QStringLiteral("fleetGroup"));
    setTitle(CUiText::Text(StringId::FleetGroup));
    m_list->setObjectName(QStringLiteral("fleetList"));
    m_syncButton->setObjectName(QStringLiteral("fleetSyncButton"));
    m_syncButton->setText(CUiText::Text(StringId::SynchronizeSelectedClients));
    m_syncButton->SetIcon(QStringLiteral(":/icons/clientsync.png"), 18, 18);
    m_syncButton->setMinimumHeight(30);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_syncButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout{this};
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    CreateColumns();
    // The list sorts on the header click first; the arrow and the colours follow it here.
    connect(m_list->header(), &QHeaderView::sectionClicked, this, &CFleetTable::OnHeaderClicked);
    connect(m_syncButton, &QPushButton::clicked, this, &CFleetTable::OnSynchronize);
    m_timer->setObjectName(QStringLiteral("fleetTimer"));
    connect(m_timer, &QTimer::timeout, this, &CFleetTable::Refresh);
    m_timer->start(kRefreshSeconds * 1000);
}

void CFleetTable::CreateColumns()
{
    CListColumns::Create(*m_list, {{StringId::Status, 100},
                                   {StringId::FleetColumnName, 130},
                                   {StringId::FleetColumnLocation, 130},
                                   {StringId::FleetColumnAddress, 100},
                                   {StringId::FleetColumnLastReport, 110},
                                   {StringId::FleetColumnVersion, 110},
                                   {StringId::Identical, 55},
                                   {StringId::Updated, 55},
                                   {StringId::Failed, 55}});
    // Names and locations may be long: shortened, whole in their tooltip.
    m_list->KeepColumnWidth(kName);
    m_list->KeepColumnWidth(kLocation);
    QList<QIcon> images;
    for (const EState state : kStates) {
        images.append(IconOf(state, *style()));
    }
    m_list->SetImageList(images);
    m_list->header()->setSortIndicatorShown(true);
    m_list->header()->setSortIndicator(-1, Qt::AscendingOrder);
}

void CFleetTable::Attach(CRunWorker& worker, CRunProgress& progress, CReportSink& report)
{
    m_worker = &worker;
    m_progress = &progress;
    m_report = &report;
    connect(m_worker, &CRunWorker::BusyChanged, m_syncButton,
            [this](bool busy) { m_syncButton->setEnabled(!busy); });
    connect(m_progress, &CRunProgress::StopRequested, this, [this] { m_starter.RequestStop(); });
}

void CFleetTable::SetStartable(bool startable)
{
    m_syncButton->setHidden(!startable);
}

void CFleetTable::SetAckTimeout(int tenths)
{
    m_starter.SetAckTimeout(tenths);
}

void CFleetTable::StopExchanges()
{
    m_starter.RequestStop();
}

CFleetStatus::EState CFleetTable::StateOf(const QTreeWidgetItem& row)
{
    return static_cast<EState>(row.data(kState, Qt::UserRole).toInt());
}

void CFleetTable::Refresh()
{
    const std::vector<CFleetStatus::SRow> rows{CFleetStatus::Judge(
        CClientRegistry::Read(), CFleetStateFile{CFleetStateFile::PathIn(m_settings.logDir)}.Load(),
        CFleetStatus::CurrentStamp(m_settings.cataloguePath), std::time(nullptr),
        CFleetStatus::SilentAfterSeconds())};
    // A row is the same client again when name and address are.
    std::set<std::pair<QString, QString>> selected;
    for (const QTreeWidgetItem* item : m_list->selectedItems()) {
        selected.emplace(item->text(kName), item->text(kAddress));
    }
    m_list->clear();
    for (const CFleetStatus::SRow& row : rows) {
        QTreeWidgetItem* item{m_list->InsertRow(m_list->topLevelItemCount(),
                                                static_cast<int>(row.state), Texts(row))};
        item->setData(kState, Qt::UserRole, static_cast<int>(row.state));
        item->setSelected(selected.contains({item->text(kName), item->text(kAddress)}));
    }
    if (m_list->SortColumn() >= 0) {
        m_list->SortTextItems(m_list->SortColumn(), m_list->IsAscending(), 0, -1);
    }
    ShowStateColours();
    KeepColumnsInView();
}

void CFleetTable::KeepColumnsInView()
{
    int total{0};
    for (int column = 0; column < m_list->columnCount(); ++column) {
        total += m_list->columnWidth(column);
    }
    m_list->setMinimumWidth(
        total + 2 * m_list->frameWidth() +
        m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list));
}

void CFleetTable::ShowStateColours()
{
    for (int index = 0; index < m_list->topLevelItemCount(); ++index) {
        QTreeWidgetItem& row{*m_list->topLevelItem(index)};
        // The table's own palette: the list takes a changed one only after the table.
        row.setForeground(kState, ColourOf(StateOf(row), palette()));
    }
}

void CFleetTable::OnHeaderClicked()
{
    // Also after a click the list ignores (another button): the arrow shows the list's order.
    m_list->header()->setSortIndicator(
        m_list->SortColumn(), m_list->IsAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
    ShowStateColours();
}

void CFleetTable::showEvent(QShowEvent* event)
{
    QGroupBox::showEvent(event);
    Refresh();
}

void CFleetTable::changeEvent(QEvent* event)
{
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        Refresh();
    } else if (event->type() == QEvent::PaletteChange) {
        ShowStateColours();
    }
}

void CFleetTable::OnSynchronize()
{
    if (m_worker == nullptr) {
        return;
    }
    m_report->AddReportLine(CStringTable::Text(StringId::ClientSyncStarted),
                            CReportSink::ImageSuccess);
    std::vector<CClientStarter::SClient> clients;
    for (int index = 0; index < m_list->topLevelItemCount(); ++index) {
        const QTreeWidgetItem& row{*m_list->topLevelItem(index)};
        if (row.isSelected()) {
            clients.push_back({row.text(kName).toStdString(), row.text(kAddress).toStdString()});
        }
    }
    if (clients.empty()) {
        CMessageBoxes::ShowErrorBox(CUiText::Text(StringId::SelectClientsToSync),
                                    CUiText::Text(StringId::Error));
        return;
    }
    m_starter.Rearm();
    m_worker->Run(
        [this, clients = std::move(clients)] {
            QMetaObject::invokeMethod(
                this, [this] { m_progress->Begin(true); }, Qt::QueuedConnection);
            m_starter.Run(
                clients, false,
                [this](int done, int all, const std::string& line) {
                    QMetaObject::invokeMethod(this, [this, done, all, text = FromUtf8(line)] {
                        m_progress->SetStep(done, all, text);
                    });
                },
                [this](const std::string& text, int image) {
                    m_report->AddReportLine(text, image);
                });
        },
        [this] { Refresh(); });
}
