#include "WindowMenu.h"
#include "TagLoader.h"

#include "CntrlForm.h"
#include "ImportFrame.h"
#include "ImportViewer.h"
#include "KeyedTree.h"
#include "Messages.h"
#include "PLCData.h"
#include "PLCInformation.h"
#include "Proc500.h"
#include "SharedVars.h"
#include "SplitterGrip.h"
#include "THMIUtil.h"
#include "TagRoutines.h"
#include "TagTree.h"
#include "Twips.h"
#include "WayBack.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace {

QFont detailFont() {
    QFont font(QStringLiteral("Courier New"));
    // Where Courier New is missing, another fixed-pitch font stands in.
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

constexpr int DetailLines = 6;
constexpr int GapTwips = 60;

} // namespace

TagLoader::TagLoader(THMIUtil* util, ImportViewer* viewer, QWidget* parent)
    : QMainWindow(parent), m_util(util), m_viewer(viewer), m_pane(new QWidget(this)),
      m_flagTree(new KeyedTree(m_pane)), m_splitter(new SplitterGrip(m_pane, SplitterLimitTwips)),
      m_splitX(Twips::toPixels(4800)) {
    setObjectName(QStringLiteral("TagLoader"));
    setWindowTitle(QStringLiteral("Saved PLC Data"));

    QMenu* actions = menuBar()->addMenu(QStringLiteral("&Actions"));
    actions->setObjectName(QStringLiteral("mnuActions"));
    const std::pair<int, QString> items[] = {{0, QStringLiteral("&Load Tags")},
                                             {1, QStringLiteral("&View Import")},
                                             {2, QStringLiteral("&Save PLC")},
                                             {5, QStringLiteral("&Done")}};
    QAction* done = nullptr;
    for (const auto& [index, text] : items) {
        if (index == 5)
            actions->addSeparator();
        QAction* action = actions->addAction(text);
        action->setObjectName(QStringLiteral("mnu(%1)").arg(index));
        connect(action, &QAction::triggered, this, [this, i = index] { mnu_Click(i); });
        done = action;
    }
    WayBack::Add_Bar(this, actions, done);
    m_windowMenu = menuBar()->addMenu(QStringLiteral("Window"));
    m_windowMenu->setObjectName(QStringLiteral("mnuWindow"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &TagLoader::fillWindowMenu);

    m_flagTree->setObjectName(QStringLiteral("FlagTree"));
    for (size_t i = 0; i < m_tagDatVal.size(); ++i) {
        auto* box = new QPlainTextEdit(m_pane);
        box->setObjectName(QStringLiteral("TagDatVal(%1)").arg(i));
        box->setReadOnly(true);
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_tagDatVal[i] = box;
    }
    setCentralWidget(m_pane);
    CntrlForm::Set_Fonts(this);
    for (QPlainTextEdit* box : m_tagDatVal)
        box->setFont(detailFont());

    // Arrow keys browse the tree as clicks do.
    connect(m_flagTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { FlagTree_NodeClick(m_flagTree->indexOfItem(current)); });
    connect(m_flagTree, &KeyedTree::nodeClicked, this, &TagLoader::FlagTree_NodeClick);
    m_splitter->onPlace = [this](int x) {
        m_splitX = x;
        Form_Resize();
    };
    m_pane->installEventFilter(this);
    if (m_util) {
        connect(m_util, &THMIUtil::plcInformationSaved, this, &TagLoader::PLCInformation_Saved);
        // Cancel, Escape or the close box end the save as well.
        m_util->installEventFilter(this);
    }
    chooseFile = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Open"), SharedVars::AppFolder,
                                            QStringLiteral("CSV (*.csv)"));
    };
    resize(900, 600);
}

void TagLoader::mnu_Click(int index) {
    switch (index) {
    case 0: {
        m_path.clear();
        const QString path = chooseFile ? chooseFile() : QString();
        if (!path.isEmpty())
            Load_Tags_From(path);
        break;
    }
    case 1:
        View_Import();
        break;
    case 2:
        Save_PLC();
        break;
    case 5:
        // Inside the designer's frame the sub-window goes with the window.
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
            sub->close();
        else
            close();
        break;
    default:
        break;
    }
}

void TagLoader::Load_Tags_From(const QString& path) {
    m_path = path;
    FlagTree_NodeClick(0);
    ImportFrame::processEvents();
    // Hidden while filled: a shown tree would lay out every one of many thousand new items.
    m_flagTree->hide();
    m_flagTree->clear();
    if (m_util)
        m_util->Show_Function(THMIUtil::ProgressFrame);
    (void)Proc500::Import_Listing(path, *m_flagTree, m_util);
    if (m_util)
        m_util->close();
    m_flagTree->show();
    setWindowTitle(QStringLiteral("Tag Data for: ") + PLCRecord.name);
}

void TagLoader::FlagTree_NodeClick(int index) {
    setDetails(0, TagTree::Node_Details(*m_flagTree, index));
    setDetails(1, TagTree::Child_Details(*m_flagTree, index));
}

void TagLoader::setDetails(int index, const QString& text) {
    m_details.at(size_t(index)) = text;
    // The box shows lines; a CR before each line feed would show as a stray character.
    TagDatVal(index)->setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void TagLoader::View_Import() {
    if (!m_viewer) {
        Q_EMIT viewImportRequested(m_path);
        return;
    }
    if (auto* sub = qobject_cast<QMdiSubWindow*>(m_viewer->parentWidget())) {
        sub->show();
        if (QMdiArea* area = sub->mdiArea())
            area->setActiveSubWindow(sub);
    }
    m_viewer->show();
    m_viewer->raise();
    if (m_path.isEmpty() || m_viewer->filePath() == m_path)
        return;
    if (m_util) {
        m_viewer->setProgress(m_util);
        m_util->Show_Function(THMIUtil::ProgressFrame);
    }
    m_viewer->Load_Listing(m_path);
    if (m_util)
        m_util->close();
}

void TagLoader::Save_PLC() {
    if (!m_util)
        return;
    // PLCRecord outlives an import: saving an empty tree under it would replace a good structure file, and
    // so would the roots of an import that found no tags.
    if (m_flagTree->count() == 0) {
        Messages::show(QStringLiteral("There are no imported tags to save. Use Load Tags first."));
        return;
    }
    if (!TagRoutines::HasTags(*m_flagTree)) {
        Messages::show(QStringLiteral("No tags were found in %1; there is nothing to save.")
                           .arg(QDir::toNativeSeparators(m_path)));
        return;
    }
    // The imported file name cannot be changed in the frame: a name that cannot be saved is said now.
    if (const QString why = PLCRecord.unsavable(); !why.isEmpty()) {
        Messages::show(why);
        return;
    }
    m_savePending = true;
    PLCInformation::Prepare_PLC_Information(*m_util);
}

void TagLoader::PLCInformation_Saved() {
    if (!m_savePending || m_util->mode() != THMIUtil::PLCFrame)
        return;
    m_savePending = false;
    PLCInformation::Save_PLC_Information(*m_util);
    m_util->Show_Function(THMIUtil::ProgressFrame);
    const Status saved = TagRoutines::Save_Tags(*m_flagTree, m_util);
    m_util->close();
    setWindowTitle(QStringLiteral("Tag Data for: ") + PLCRecord.name);
    if (saved)
        Q_EMIT plcSaved(TagRoutines::StructureFile(PLCRecord));
}

bool TagLoader::minimized() const {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return sub->isMinimized();
    return isMinimized();
}

void TagLoader::Form_Resize() {
    if (minimized())
        return;
    const int width = m_pane->width(), height = m_pane->height();
    const int margin = Twips::toPixels(MarginTwips);
    const int split = m_splitter->clamp(m_splitX);
    const int fullHeight = std::max(0, height - margin);
    m_flagTree->setGeometry(0, 0, split, fullHeight);
    m_splitter->setGeometry(split, 0, m_splitter->width(), fullHeight);

    const int left = split + m_splitter->width();
    const int boxWidth = std::max(0, width - left - margin);
    QPlainTextEdit* upper = m_tagDatVal[0];
    const int upperHeight = QFontMetrics(upper->font()).lineSpacing() * DetailLines +
                            2 * upper->frameWidth() +
                            2 * int(std::ceil(upper->document()->documentMargin())) + 4;
    upper->setGeometry(left, 0, boxWidth, std::min(upperHeight, fullHeight));
    const int lowerTop = upperHeight + Twips::toPixels(GapTwips);
    m_tagDatVal[1]->setGeometry(left, lowerTop, boxWidth, std::max(0, fullHeight - lowerTop));
}

void TagLoader::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The splitter stands at the tree's right edge and takes its top and height.
    Form_Resize();
}

bool TagLoader::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pane && event->type() == QEvent::Resize)
        Form_Resize();
    else if (watched == m_util && event->type() == QEvent::Hide)
        m_savePending = false;
    return QMainWindow::eventFilter(watched, event);
}

void TagLoader::fillWindowMenu() {
    QMdiArea* area = WindowMenu::areaOf(this);
    WindowMenu::Fill(m_windowMenu, area);
    // Shown on its own: the window itself is the only one.
    if (!area)
        m_windowMenu->addAction(windowTitle())->setCheckable(true);
}
