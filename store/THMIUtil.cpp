#include "THMIUtil.h"

#include "CntrlForm.h"
#include "CntrlTree.h"
#include "FileList.h"
#include "Messages.h"
#include "NodeCollection.h"
#include "PageStructure.h"
#include "Project.h"
#include "SharedVars.h"
#include "TextFile.h"
#include "Twips.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <limits>

qint16 THMIUtil::s_addedPages = 0;

namespace {

// Frame sizes in twips; the window is the frame plus 125 across and 450 down.
struct FrameSize {
    int width, height;
};
constexpr FrameSize FrameSizes[5] = {{6000, 1200}, {6000, 3600}, {5400, 1800}, {5400, 1800}, {6600, 4800}};

constexpr int ButtonHeight = 420;

void place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(Twips::toPixels(left), Twips::toPixels(top), Twips::toPixels(width), Twips::toPixels(height));
}

QString indexed(const char* name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }

QString programTitle()
{
    return Messages::title().isEmpty() ? QCoreApplication::applicationName() : Messages::title();
}

const QString RefusedPage = QStringLiteral("This page may not be deleted or renamed.");

// The page list is Latin-1: any other character would come back as "?" at the next start.
bool keepable(const QString& pageName)
{
    const QString foreign = TextFile::foreignCharacters(pageName);
    if (!foreign.isEmpty())
        Messages::show(QStringLiteral("The page name \"%1\" holds characters that the page list cannot keep (%2). "
                                      "Nothing was changed.")
                           .arg(pageName, foreign));
    return foreign.isEmpty();
}

} // namespace

THMIUtil::THMIUtil(NodeCollection& pages, QWidget* owner) : m_pages(pages), m_owner(owner)
{
    // No widget parent: disabling the owner's window must not disable this one.
    setObjectName(QStringLiteral("THMIUtil"));
    setWindowModality(Qt::ApplicationModal);
    buildFrames();
    buildMenus();
}

THMIUtil::~THMIUtil()
{
    if (m_disabledWindow)
        m_disabledWindow->setEnabled(true);
}

QPushButton* THMIUtil::makeButton(int index, const QString& caption, QWidget* frame, int left, int top, int width)
{
    auto* button = new QPushButton(caption, frame);
    button->setObjectName(indexed("PB", index));
    // Enter is routed by frame below, never to whichever button happens to be the default.
    button->setAutoDefault(false);
    place(button, left, top, width, ButtonHeight);
    connect(button, &QPushButton::clicked, this, [this, index] { PB_Click(index); });
    m_PB[static_cast<size_t>(index)] = button;
    return button;
}

void THMIUtil::buildFrames()
{
    const QString captions[5] = {QString(), QStringLiteral("PLC Information"), QStringLiteral("Page Information"),
                                 QStringLiteral("Page Information"), QStringLiteral("Project Manager")};
    for (int i = 0; i < 5; ++i) {
        auto* frame = new QGroupBox(captions[i], this);
        frame->setObjectName(indexed("PFunction", i));
        place(frame, 0, 0, FrameSizes[i].width, FrameSizes[i].height);
        frame->hide();
        m_PFunction[static_cast<size_t>(i)] = frame;
    }

    QWidget* f0 = m_PFunction[0];
    m_ProgramMSG = new QLabel(f0);
    m_ProgramMSG->setObjectName(QStringLiteral("ProgramMSG"));
    place(m_ProgramMSG, 120, 200, 5760, 300);
    m_ProgramStat = new QProgressBar(f0);
    m_ProgramStat->setObjectName(QStringLiteral("ProgramStat"));
    m_ProgramStat->setRange(0, 100);
    m_ProgramStat->setValue(0);
    place(m_ProgramStat, 120, 600, 5760, 330);

    // Boxes in record order; the labels keep their own numbers (there is no label 1).
    QWidget* f1 = m_PFunction[1];
    const int labelIndex[4] = {0, 4, 2, 3};
    const QString labelText[4] = {QStringLiteral("Friendly PLC Name"), QStringLiteral("PLC Type"),
                                  QStringLiteral("DDE Topic"), QStringLiteral("Imported Listing File")};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(labelText[i], f1);
        label->setObjectName(indexed("PLClbl", labelIndex[i]));
        place(label, 120, 300 + i * 660, 5760, 255);
        auto* box = new QLineEdit(f1);
        box->setObjectName(indexed("PLCDataIn", i));
        place(box, 120, 555 + i * 660, 5760, 315);
        m_PLCDataIn[static_cast<size_t>(i)] = box;
    }
    m_PLCDataIn[2]->setToolTip(QStringLiteral("Use RSLinx to verify DDE Topic"));
    makeButton(0, QStringLiteral("Save"), f1, 3360, 3030, 1200);
    makeButton(1, QStringLiteral("Cancel"), f1, 4680, 3030, 1200);

    QWidget* f2 = m_PFunction[2];
    m_PageLBL = new QLabel(QStringLiteral("Friendly Name For New Page"), f2);
    m_PageLBL->setObjectName(QStringLiteral("PageLBL"));
    place(m_PageLBL, 120, 300, 5160, 255);
    m_PageDataIn = new QLineEdit(f2);
    m_PageDataIn->setObjectName(QStringLiteral("PageDataIn"));
    place(m_PageDataIn, 120, 600, 5160, 315);
    makeButton(2, QStringLiteral("Save"), f2, 2760, 1140, 1200);
    makeButton(3, QStringLiteral("Cancel"), f2, 4080, 1140, 1200);

    QWidget* f3 = m_PFunction[3];
    m_PageRenameLBL = new QLabel(QStringLiteral("Rename"), f3);
    m_PageRenameLBL->setObjectName(QStringLiteral("PageRenameLBL"));
    place(m_PageRenameLBL, 120, 300, 5160, 255);
    m_PageRenamed = new QLineEdit(f3);
    m_PageRenamed->setObjectName(QStringLiteral("PageRenamed"));
    place(m_PageRenamed, 120, 600, 5160, 315);
    makeButton(4, QStringLiteral("Save"), f3, 2760, 1140, 1200);
    makeButton(5, QStringLiteral("Cancel"), f3, 4080, 1140, 1200);

    QWidget* f4 = m_PFunction[4];
    m_CurrentProjectLBL = new QLabel(QStringLiteral("Project List"), f4);
    m_CurrentProjectLBL->setObjectName(QStringLiteral("CurrentProjectLBL"));
    place(m_CurrentProjectLBL, 120, 300, 4200, 255);
    m_CurrentProject = new QLineEdit(f4);
    m_CurrentProject->setObjectName(QStringLiteral("CurrentProject"));
    place(m_CurrentProject, 120, 600, 4200, 315);
    m_FileList = new QListWidget(f4);
    m_FileList->setObjectName(QStringLiteral("FileList"));
    place(m_FileList, 120, 1020, 4200, 3600);
    connect(m_FileList, &QListWidget::itemSelectionChanged, this, &THMIUtil::FileList_Click);
    const QString projectButtons[5] = {QStringLiteral("Create New"), QStringLiteral("Load"), QStringLiteral("Save"),
                                       QStringLiteral("iMPORT"), QStringLiteral("Done")};
    for (int i = 0; i < 5; ++i)
        makeButton(6 + i, projectButtons[i], f4, 4500, 600 + i * 540, 1920);
}

void THMIUtil::buildMenus()
{
    m_mTmnu = new QMenu(QStringLiteral("Topics"), this);
    m_mTmnu->setObjectName(QStringLiteral("mTmnu"));
    const QString topics[3] = {QStringLiteral("Add Page"), QStringLiteral("Delete Page"), QStringLiteral("Rename Page")};
    for (int i = 0; i < 3; ++i) {
        QAction* action = m_mTmnu->addAction(topics[i]);
        action->setObjectName(indexed("Tmnu", i));
        m_Tmnu[static_cast<size_t>(i)] = action;
    }
    connect(m_Tmnu[0], &QAction::triggered, this, [this] { Show_Function(AddPageFrame); });
    connect(m_Tmnu[1], &QAction::triggered, this, &THMIUtil::deletePageRequested);
    connect(m_Tmnu[2], &QAction::triggered, this, [this] { Show_Function(RenamePageFrame); });

    m_mPLCmnu = new QMenu(QStringLiteral("PLC"), this);
    m_mPLCmnu->setObjectName(QStringLiteral("mPLCmnu"));
    m_PLCmnu[0] = m_mPLCmnu->addAction(QStringLiteral("Send to Page This Structure"));
    m_PLCmnu[0]->setObjectName(indexed("PLCmnu", 0));
    connect(m_PLCmnu[0], &QAction::triggered, this, &THMIUtil::sendStructureRequested);
}

int THMIUtil::SelectedPageIndex() const
{
    const int index = m_selectedPageIndex ? m_selectedPageIndex() : m_pages.selectedIndex();
    return index >= 1 && index <= m_pages.count() ? index : 1;
}

QString THMIUtil::dataFolder() const { return SharedVars::DDEDataFolder; }

void THMIUtil::Show_Function(int frame)
{
    if (frame < ProgressFrame || frame > ProjectFrame)
        return;
    // The root and "no page" cannot be renamed; refused before anything opens.
    if (frame == RenamePageFrame && m_pages.selectedIndex() < 2) {
        Messages::show(RefusedPage);
        return;
    }
    m_mode = static_cast<qint16>(frame);
    m_busy = false;

    QWidget* window = m_owner ? m_owner->window() : nullptr;
    if (window && window != this && !m_disabledWindow) {
        window->setEnabled(false);
        m_disabledWindow = window;
    }
    CntrlForm::Set_Fonts(this);
    for (QGroupBox* f : m_PFunction) {
        f->hide();
        f->move(0, 0);
    }
    m_PFunction[static_cast<size_t>(frame)]->show();
    prepareFrame(frame);

    const FrameSize size = FrameSizes[frame];
    setFixedSize(Twips::toPixels(size.width + 125), Twips::toPixels(size.height + 450));
    CntrlForm::Center_Form(this);
    if (window && window != this) {
        winId();
        if (windowHandle() && window->windowHandle())
            windowHandle()->setTransientParent(window->windowHandle());
    }
    show();
    raise();
    activateWindow();
}

void THMIUtil::prepareFrame(int frame)
{
    switch (frame) {
    case ProgressFrame:
        m_ProgramMSG->clear();
        m_ProgramStat->setValue(0);
        setWindowTitle(programTitle());
        break;
    case PLCFrame:
        setWindowTitle(QStringLiteral("PLC Information"));
        Q_EMIT plcInformationOpening();
        m_PLCDataIn[0]->setFocus();
        break;
    case AddPageFrame:
        setWindowTitle(QStringLiteral("Add New Page for DDE Viewer"));
        m_PageDataIn->setText(QStringLiteral("New Page Name Here"));
        m_PageDataIn->selectAll();
        m_PageDataIn->setFocus();
        m_PageLBL->setText(QStringLiteral("Add new page under: ") + m_pages.text(SelectedPageIndex()));
        break;
    case RenamePageFrame: {
        setWindowTitle(QStringLiteral("Rename a page"));
        const QString name = m_pages.text(m_pages.selectedIndex());
        m_PageRenameLBL->setText(QStringLiteral("Please enter a new name for: ") + name);
        m_PageRenamed->setText(name);
        m_PageRenamed->selectAll();
        m_PageRenamed->setFocus();
        break;
    }
    case ProjectFrame:
        setWindowTitle(QStringLiteral("Project Manager"));
        m_CurrentProjectLBL->setText(QStringLiteral("Currently Selected Project"));
        fillFileList();
        m_FileList->show();
        m_CurrentProject->setText(Project::DefaultName);
        m_CurrentProject->selectAll();
        m_CurrentProject->setFocus();
        break;
    default:
        break;
    }
}

void THMIUtil::caption(const QString& text) { m_ProgramMSG->setText(text); }

void THMIUtil::percent(int value) { m_ProgramStat->setValue(std::clamp(value, 0, 100)); }

void THMIUtil::fillFileList(const QString& select)
{
    const bool wasBusy = m_busy;
    m_busy = true;
    m_FileList->clear();
    m_FileList->addItems(List_Files(dataFolder(), QStringLiteral("*.prj")));
    if (!select.isEmpty()) {
        const auto found = m_FileList->findItems(select, Qt::MatchExactly);
        if (!found.isEmpty())
            m_FileList->setCurrentItem(found.first());
    }
    m_busy = wasBusy;
}

void THMIUtil::FileList_Click()
{
    if (m_busy)
        return;
    const auto selected = m_FileList->selectedItems();
    if (selected.isEmpty())
        return;
    const QString file = selected.first()->text();
    m_CurrentProject->setText(file.left(file.size() - 4));
    m_selectedProjectFile = file;
}

void THMIUtil::PB_Click(int index)
{
    switch (index) {
    case 0:
        Q_EMIT plcInformationSaved();
        break;
    case 2:
        Add_Page();
        break;
    case 4:
        Rename_Page();
        break;
    case 6:
        New_Workspace();
        break;
    case 7:
        LoadProject();
        break;
    case 8:
        SaveProject();
        break;
    case 9:
        ImportProject();
        break;
    case 1:
    case 3:
    case 5:
    case 10:
        close();
        break;
    default:
        break;
    }
}

void THMIUtil::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_mode == PLCFrame)
            PB_Click(0);
        else if (m_mode == AddPageFrame)
            PB_Click(2);
        else if (m_mode == RenamePageFrame)
            PB_Click(4);
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void THMIUtil::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (m_disabledWindow) {
        m_disabledWindow->setEnabled(true);
        m_disabledWindow = nullptr;
    }
}

void THMIUtil::Add_Page()
{
    const QString name = QStringLiteral("PB_Click");
    auto nextKey = [&]() -> QString {
        if (s_addedPages == std::numeric_limits<qint16>::max())
            return QString();
        ++s_addedPages;
        return QStringLiteral("S") + SharedVars::StartStamp + QString::number(s_addedPages);
    };
    QString key = nextKey();
    const QString text = DDEBuilder::Page_Text(m_PageDataIn->text());
    if (text.isEmpty()) {
        Messages::show(QStringLiteral("You must supply a name for the new page."));
        return;
    }
    if (!keepable(text))
        return;
    // A key taken by a page or a file of another run with the same stamp is passed over.
    while (!key.isEmpty() && (m_pages.indexOf(key) > 0 || QFile::exists(DDEBuilder::PageFilePath(key))))
        key = nextKey();
    if (key.isEmpty()) {
        Messages::report(name, RunError::of(ErrNo::Overflow));
        return;
    }

    const int parent = SelectedPageIndex();
    // The page list could not be read back with a page deeper than the limit.
    if (const Status shallow = m_pages.checkDepth(m_pages.key(parent)); !shallow) {
        Messages::report(name, shallow.error());
        return;
    }
    const QString file = DDEBuilder::PageFilePath(key);
    if (const Status created = TextFile::createEmpty(file); !created) {
        Messages::report(name, created.error().inFile(file));
        return;
    }
    if (const Status added = m_pages.addNode(m_pages.key(parent), key, text, QStringLiteral("c"), QStringLiteral("o"));
        !added) {
        (void)TextFile::remove(file);
        Messages::report(name, added.error());
        return;
    }
    m_pages.setTag(m_pages.last(), text);
    DDEBuilder::CurrentNode = key;
    m_pages.ensureVisible(m_pages.last());
    DDEBuilder::PageStructure_Write(m_pages);
    close();
}

void THMIUtil::Rename_Page()
{
    const QString text = DDEBuilder::Page_Text(m_PageRenamed->text());
    if (text.isEmpty()) {
        Messages::show(QStringLiteral("Page name may not be left blank, please try again."));
        return;
    }
    if (!keepable(text))
        return;
    const int selected = m_pages.selectedIndex();
    if (selected < 2) {
        Messages::show(RefusedPage);
        close();
        return;
    }
    m_pages.setText(selected, text);
    m_pages.setTag(selected, text);
    DDEBuilder::PageStructure_Write(m_pages);
    close();
}

void THMIUtil::reloadPageTree()
{
    CntrlTree::Clear_Tree(m_pages);
    DDEBuilder::PageStructure_Read(m_pages);
    Q_EMIT pageTreeReloaded();
}

void THMIUtil::New_Workspace()
{
    hide();
    if (const Status created = Project::New_Workspace(dataFolder()); !created)
        Messages::show(created.error().text());
    reloadPageTree();
    close();
}

void THMIUtil::LoadProject()
{
    if (m_selectedProjectFile.isEmpty()) {
        Messages::show(QStringLiteral("Please select a project to load."));
        return;
    }
    m_busy = true;
    m_FileList->hide();
    const Status loaded = Project::LoadProject(dataFolder(), m_selectedProjectFile);
    fillFileList(loaded ? m_selectedProjectFile : QString());
    m_FileList->show();
    m_busy = false;
    if (!loaded) {
        Messages::report(QStringLiteral("LoadProject"), loaded.error());
        reloadPageTree();
        return;
    }
    reloadPageTree();
    close();
}

void THMIUtil::SaveProject()
{
    const QString project = m_CurrentProject->text().trimmed();
    if (project.isEmpty()) {
        Messages::show(QStringLiteral("Sorry, you must enter a name for the project."));
        return;
    }
    if (project.compare(Project::DefaultName, Qt::CaseInsensitive) == 0) {
        Messages::show(QStringLiteral("Sorry, Default is a reserved name."));
        return;
    }
    if (!Project::isValidName(project)) {
        Messages::show(QStringLiteral("Sorry, a project name may not contain \\ / : * ? \" < > |, \"..\" or "
                                      "control characters, end in a dot or space, or be a device name such as "
                                      "CON or COM1."));
        return;
    }
    m_busy = true;
    m_FileList->hide();
    const Status saved = Project::SaveProject(dataFolder(), project);
    fillFileList();
    m_FileList->show();
    m_busy = false;
    if (!saved) {
        Messages::show(saved.error().text());
        return;
    }
    close();
    Q_EMIT projectSaved(project);
}

void THMIUtil::ImportProject()
{
    const QString name = QStringLiteral("ImportProject");
    if (m_selectedProjectFile.isEmpty()) {
        Messages::report(name, RunError::of(ErrNo::BadFileName));
        LoadProject();
        return;
    }
    if (const Status converted = Project::ImportProject(dataFolder(), m_selectedProjectFile); !converted) {
        Messages::report(name, converted.error());
        return;
    }
    LoadProject();
}
