#include "widgets/RunProgress.h"

#include "widgets/UiText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CRunProgress::CRunProgress(QWidget* parent)
    : QWidget{parent}, m_bar{new QProgressBar{this}}, m_line{new QLabel{this}},
      m_stop{new QPushButton{CUiText::Text(StringId::Stop), this}}
{
    setObjectName(QStringLiteral("runProgress"));
    m_bar->setObjectName(QStringLiteral("runProgressBar"));
    m_line->setObjectName(QStringLiteral("runProgressLine"));
    m_stop->setObjectName(QStringLiteral("stopButton"));
    // Long paths must not widen the window.
    m_line->setMinimumWidth(1);
    m_line->setTextFormat(Qt::PlainText);
    auto* barRow = new QHBoxLayout;
    barRow->addWidget(m_bar, 1);
    barRow->addWidget(m_stop);
    auto* layout = new QVBoxLayout{this};
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(barRow);
    layout->addWidget(m_line);
    connect(m_stop, &QPushButton::clicked, this, [this] {
        m_stop->setEnabled(false);
        emit StopRequested();
    });
    hide();
}

void CRunProgress::Begin(bool stoppable)
{
    m_done = 0;
    m_all = 0;
    m_bytes = 0;
    m_file.clear();
    m_bar->setRange(0, 0);
    m_stop->setVisible(stoppable);
    m_stop->setEnabled(stoppable);
    ShowLine();
    show();
}

void CRunProgress::End()
{
    hide();
}

void CRunProgress::SetCounts(int done, int all, std::uint64_t bytes)
{
    m_done = done;
    m_all = all;
    m_bytes = bytes;
    if (all > 0) {
        m_bar->setRange(0, all);
        m_bar->setValue(done);
    }
    ShowLine();
}

void CRunProgress::SetCurrentFile(const QString& name)
{
    m_file = name;
    ShowLine();
}

void CRunProgress::SetStep(int done, int all, const QString& line)
{
    m_bar->setRange(0, all);
    m_bar->setValue(done);
    m_line->setText(line);
}

QString CRunProgress::Line() const
{
    return m_line->text();
}

void CRunProgress::ShowLine()
{
    QString text = m_all > 0 ? CUiText::Text(StringId::RunProgressCounts)
                                   .arg(m_done)
                                   .arg(m_all)
                                   .arg(static_cast<qulonglong>(m_bytes))
                             : CUiText::Text(StringId::RunProgressFiles).arg(m_done);
    if (!m_file.isEmpty()) {
        text += QStringLiteral("   ") + m_file;
    }
    m_line->setText(text);
}
