#include "TrendWindow.h"

#include "CsvRows.h"
#include "Messages.h"
#include "TextFile.h"
#include "TimeText.h"
#include "TrendView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char* const RangeNames[] = {"10 min", "1 h", "8 h", "24 h", "7 days"};

} // namespace

TrendWindow::TrendWindow(std::unique_ptr<history::HistoryReader> reader, TrendModel::Clock clock,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), m_model(std::move(reader), std::move(clock))
{
    setObjectName(QStringLiteral("TrendWindow"));
    buildControls();
    updateEmptyText();
    m_poll = new QTimer(this);
    m_poll->setObjectName(QStringLiteral("TrendPoll"));
    m_poll->setInterval(1000);
    connect(m_poll, &QTimer::timeout, this, &TrendWindow::poll);
    m_poll->start();
    resize(900, 520);
    updateTitle();
}

void TrendWindow::buildControls()
{
    auto* bar = new QHBoxLayout;
    m_ranges = new QButtonGroup(this);
    for (int i = 0; i < int(std::size(RangeNames)); ++i) {
        auto* button = new QPushButton(QLatin1String(RangeNames[i]), this);
        button->setObjectName(QStringLiteral("Range(%1)").arg(i));
        button->setCheckable(true);
        m_ranges->addButton(button, i);
        bar->addWidget(button);
    }
    m_ranges->button(0)->setChecked(true);
    connect(m_ranges, &QButtonGroup::idClicked, this, &TrendWindow::showRange);
    m_sharedAxis = new QCheckBox(QStringLiteral("Shared axis"), this);
    m_sharedAxis->setObjectName(QStringLiteral("SharedAxis"));
    bar->addSpacing(12);
    bar->addWidget(m_sharedAxis);
    bar->addStretch();
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("TrendStatus"));
    bar->addWidget(m_status);
    auto* exportButton = new QPushButton(QStringLiteral("Export..."), this);
    exportButton->setObjectName(QStringLiteral("Export"));
    bar->addWidget(exportButton);
    connect(exportButton, &QPushButton::clicked, this, &TrendWindow::askAndExport);

    m_view = new TrendView(m_model, this);
    connect(m_sharedAxis, &QCheckBox::toggled, m_view, &TrendView::setSharedAxis);
    connect(m_view, &TrendView::windowChanged, this, &TrendWindow::windowChanged);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_view, 1);
}

bool TrendWindow::addTopic(const TrendTopic& topic)
{
    if (!m_model.addPen(topic))
        return false;
    m_view->update();
    updateTitle();
    return true;
}

void TrendWindow::showRange(int i)
{
    m_model.showSpan(history::trend::StandardSpans[size_t(i)]);
    m_ranges->button(i)->setChecked(true);
    windowChanged();
}

void TrendWindow::updateEmptyText()
{
    m_view->setEmptyText(m_model.hasReader()
                             ? QStringLiteral("No recorded values in this range.")
                             : QStringLiteral("No history database. Start HistoryRecorder on the project "
                                              "to record the values of its pages."));
}

void TrendWindow::tryReader()
{
    constexpr int EveryPolls = 10;
    if (m_model.hasReader() || !m_openReader || ++m_pollsWithoutReader % EveryPolls != 0)
        return;
    if (auto reader = m_openReader()) {
        m_model.setReader(std::move(reader));
        updateEmptyText();
    }
}

void TrendWindow::poll()
{
    tryReader();
    if (!m_model.window().followsNow)
        return;
    m_model.poll();
    m_view->update();
}

// A zoom or pan leaves the standard ranges; the button shows which one the window still matches.
void TrendWindow::windowChanged()
{
    const auto& window = m_model.window();
    m_ranges->setExclusive(false);
    for (int i = 0; i < int(std::size(RangeNames)); ++i)
        m_ranges->button(i)->setChecked(window.span() == history::trend::StandardSpans[size_t(i)]);
    m_ranges->setExclusive(true);
    m_status->setText(window.followsNow ? QString() : QStringLiteral("Not following now"));
    m_view->update();
}

void TrendWindow::updateTitle()
{
    const auto& pens = m_model.pens();
    setWindowTitle(pens.empty() ? QStringLiteral("Trend")
                                : QStringLiteral("Trend: ") + pens.front().topic.label() +
                                      (pens.size() > 1 ? QStringLiteral(" ...") : QString()));
}

Status TrendWindow::exportCsv(const QString& path)
{
    std::vector<std::string> rows{history::trend::csvHeader()};
    for (const TrendPen& pen : m_model.pens())
        history::trend::appendCsvRows(rows, pen.topic.label().toStdString(), m_model.shownSamples(pen));
    QStringList lines;
    lines.reserve(qsizetype(rows.size()));
    for (const std::string& row : rows)
        lines << QString::fromStdString(row);
    return TextFile::writeLines(path, lines);
}

void TrendWindow::askAndExport()
{
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Export trend"), QStringLiteral("Trend.csv"),
                                     QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    if (const Status written = exportCsv(path); !written)
        Messages::reportFile(QStringLiteral("Export"), written.error());
}
