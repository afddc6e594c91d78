#include "WindowMenu.h"
#include "ImportViewer.h"

#include "CntrlForm.h"
#include "CsvFile.h"
#include "ImportFrame.h"
#include "ListingModel.h"
#include "Messages.h"
#include "Proc500.h"
#include "Progress.h"
#include "SharedVars.h"
#include "TextFile.h"
#include "Twips.h"
#include "WayBack.h"

#include <QFile>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextDocument>
#include <QVBoxLayout>

#include <cmath>

namespace {

QFont listingFont() {
    QFont font(QStringLiteral("Courier New"));
    // Where Courier New is missing, another fixed-pitch font stands in.
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

} // namespace

ImportViewer::ImportViewer(QWidget* parent) : QMainWindow(parent), m_model(new ListingModel(this)) {
    setObjectName(QStringLiteral("ImportViewer"));
    setWindowTitle(QStringLiteral("Import Viewer"));

    QMenu* actions = menuBar()->addMenu(QStringLiteral("&Actions"));
    actions->setObjectName(QStringLiteral("mnuActions"));
    const QString items[] = {QStringLiteral("&Load"), QStringLiteral("&Done")};
    QAction* done = nullptr;
    for (int i = 0; i < 2; ++i) {
        QAction* action = actions->addAction(items[i]);
        action->setObjectName(QStringLiteral("mnu(%1)").arg(i));
        connect(action, &QAction::triggered, this, [this, i] { mnu_Click(i); });
        done = action;
    }
    WayBack::Add_Bar(this, actions, done);
    m_windowMenu = menuBar()->addMenu(QStringLiteral("Window"));
    m_windowMenu->setObjectName(QStringLiteral("mnuWindow"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &ImportViewer::fillWindowMenu);
    // The suite's face for menus and bars; the listing below keeps its fixed-pitch font.
    CntrlForm::Set_Fonts(this);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_tdat = new QPlainTextEdit(central);
    m_tdat->setObjectName(QStringLiteral("TDat"));
    m_tdat->setFont(listingFont());
    m_tdat->setReadOnly(true);
    m_tdat->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Room for the four detail lines of an RSLogix5000 row.
    const QFontMetrics fm(m_tdat->font());
    m_tdat->setFixedHeight(fm.lineSpacing() * 4 + 2 * m_tdat->frameWidth() +
                           2 * int(std::ceil(m_tdat->document()->documentMargin())) + 6);

    m_tagList = new QTableView(central);
    m_tagList->setObjectName(QStringLiteral("TagList"));
    m_tagList->setFont(listingFont());
    m_tagList->setModel(m_model);
    m_tagList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tagList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tagList->setWordWrap(false);
    m_tagList->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // Fixed row heights: sizing 100,000 rows to their contents would measure every one.
    m_tagList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_tagList->verticalHeader()->setDefaultSectionSize(QFontMetrics(m_tagList->font()).height() + 4);
    m_tagList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(m_tagList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ImportViewer::TagList_SelChange);

    m_wVal = new QLabel(central);
    m_wVal->setObjectName(QStringLiteral("wVal"));
    m_wVal->setFont(listingFont());
    m_wVal->hide();

    layout->addWidget(m_tdat);
    layout->addWidget(m_tagList, 1);
    setCentralWidget(central);
    resize(900, 560);
}

void ImportViewer::mnu_Click(int index) {
    if (index == 1) {
        // Inside the designer's frame the sub-window goes with the viewer.
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
            sub->close();
        else
            close();
        return;
    }
    m_path.clear();
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), SharedVars::AppFolder,
                                                      QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty())
        Load_Listing(path);
}

bool ImportViewer::Load_Listing(const QString& path) {
    m_path = path;
    if (m_progress) {
        m_progress->caption(QStringLiteral("Loading File..."));
        m_progress->percent(0);
    }
    ImportFrame::processEvents();

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Messages::reportFile(QStringLiteral("Load_Listing"), TextFile::openError(path));
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();

    m_kind = Proc500::Get_Import_Type(path);
    const QStringList headers = m_kind == Proc500::RSLogix5000Export
                                    ? QStringList{QStringLiteral("TYPE"),     QStringLiteral("SCOPE"),
                                                  QStringLiteral("NAME"),     QStringLiteral("DESCRIPTION"),
                                                  QStringLiteral("DATATYPE"), QStringLiteral("SPECIFIER")}
                                    : QStringList{QStringLiteral("TAG"), QString(), QString()};

    m_tagList->hide();
    m_tdat->clear();
    m_details.clear();
    auto tick = [this](int row, int rows) {
        if (m_progress)
            m_progress->percent(rows > 0 ? int(qint64(row) * 100 / rows) : 100);
        ImportFrame::processEvents();
    };
    m_model->setListing(bytes, headers, tick);
    setWindowTitle(QStringLiteral("Listing for: ") + FileIO::Get_File_Name(path));

    if (m_progress)
        m_progress->caption(QStringLiteral("Setting widths..."));
    setWidths();

    if (m_model->rowCount() > 0)
        m_tagList->setCurrentIndex(m_model->index(0, 0));
    TagList_SelChange();
    m_tagList->show();
    return true;
}

void ImportViewer::setWidths() {
    const QFontMetricsF metrics(m_wVal->font());
    auto tick = [this](int row, int rows) {
        if (m_progress)
            m_progress->percent(rows > 0 ? int(qint64(row) * 100 / rows) : 100);
        ImportFrame::processEvents();
    };
    const std::vector<qreal> widest = m_model->widestTexts(metrics, tick);
    const int spare = Twips::toPixels(SpareTwips);
    for (size_t c = 0; c < widest.size(); ++c)
        m_tagList->setColumnWidth(int(c), int(std::ceil(widest[c])) + spare);
    // The line number column too: its widest text is the last number.
    const QFontMetricsF headerMetrics(m_tagList->verticalHeader()->font());
    m_tagList->verticalHeader()->setMinimumWidth(
        int(std::ceil(headerMetrics.horizontalAdvance(QString::number(m_model->rowCount())))) + spare);
}

QString ImportViewer::rowDetails(int row) const {
    // C(k) is grid column k: column 0 is the line number, column k the field k - 1.
    auto C = [&](int k) { return m_model->field(row - 1, k - 1); };
    const QString nl = QStringLiteral("\r\n");
    if (m_kind == Proc500::RSLogix5000Export)
        return QStringLiteral("NAME: ") + C(3) + nl + QStringLiteral("DESCRIPTION: ") + C(4) + nl +
               QStringLiteral("DATATYPE: ") + C(5) + nl + QStringLiteral("SPECIFIER: ") + C(6);
    return QStringLiteral("TAG: ") + C(1) + nl + QStringLiteral("LABEL: ") + C(3) + nl +
           QStringLiteral("DESCRIPTION: ") + QStringList{C(4), C(5), C(6), C(7), C(8)}.join(QLatin1Char(' '));
}

void ImportViewer::TagList_SelChange() {
    const QModelIndex current = m_tagList->currentIndex();
    if (!current.isValid() || m_kind == 0)
        return;
    m_details = rowDetails(current.row() + 1);
    m_tdat->setPlainText(QString(m_details).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void ImportViewer::fillWindowMenu() {
    QMdiArea* area = WindowMenu::areaOf(this);
    WindowMenu::Fill(m_windowMenu, area);
    // Shown on its own: the window itself is the only one.
    if (!area)
        m_windowMenu->addAction(windowTitle())->setCheckable(true);
}
