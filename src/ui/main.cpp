#include "ui/main.h"

#include "avi/durationtext.h"
#include "avi/records/avifichier.h"
#include "commands/commandsettings.h"
#include "commands/modelfilelist.h"
#include "commands/udmaction.h"
#include "framework/appinfo.h"
#include "framework/linkmarkup.h"
#include "framework/storedsettings.h"
#include "framework/widgets/linkedit.h"
#include "commands/dialogs/paramdialogs.h"
#include "pipelines/playback/viewgraph.h"
#include "ui/platformservices.h"
#include "ui/riffform.h"
#include "ui/sendto.h"
#include "ui/afficherfichier.h"
#include "ui/uvueframe.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace uiform {

QSize MinimumSize(int vue)
{
    switch (vue) {
    case 0: return {740, 550};
    case 2: return {300, 200};
    case 3: return {kSideWidth, 550};
    default: return {540, 420};
    }
}

QString CountsText(int selected, int total, const TSortIndex &index)
{
    return QStringLiteral("%1 file%2 on %3 - %4")
        .arg(selected)
        .arg(selected >= 2 ? QStringLiteral("s") : QString())
        .arg(total)
        .arg(index.sortedText);
}

int ViewFor(int count, bool videoOnly, bool reduced)
{
    if (count == 0)
        return 1;
    return videoOnly ? 2 : reduced ? 3 : 0;
}

QString TotalDurationText(qint64 selected, qint64 total)
{
    return QStringLiteral("Duration of selected videos  = %1\n\nTotal duration of all videos listed = %2")
        .arg(MillisecondText(selected), MillisecondText(total));
}

QString WelcomeText()
{
    return QStringLiteral("Drag and drop one or several files to this window.<br><br>"
                          "You may also open or paste files with speed buttons or menus. <br><br>"
                          "You may open all avi files from your system with Shift+Ctrl+F7.<br><br>") +
           QStringLiteral("Only the files with extension %1 will be processed. <br><br>")
               .arg(QString::fromLatin1(kVideoExtension)) +
           QStringLiteral("Type F10 to modify Settings, F11 to display the About Information.<br><br>") +
           QStringLiteral("Type F1 to display the list of commands with keyboard shortcuts, or script keywords. ");
}

QColor CommandColor() { return QColor(0xC0, 0xDC, 0xC0); }
QColor OpenerColor() { return QColor(0xA6, 0xCA, 0xF0); }

} // namespace uiform

namespace {

// The value an action holds, as the settings catalogue types it.
std::optional<settings::TValue> ActionValue(QAction *action)
{
    if (auto *a = qobject_cast<TCheckAction *>(action))
        return settings::TValue(a->value());
    if (auto *a = dynamic_cast<TBooleanAction *>(action))
        return settings::TValue(a->value());
    if (auto *a = dynamic_cast<TIntegerAction *>(action))
        return settings::TValue(a->value());
    if (auto *a = dynamic_cast<TDoubleAction *>(action))
        return settings::TValue(a->value());
    if (auto *a = dynamic_cast<TWidestringAction *>(action))
        return settings::TValue(a->value());
    if (auto *a = dynamic_cast<TWStringsAction *>(action))
        return settings::TValue(a->value());
    if (auto *a = dynamic_cast<TFontAction *>(action))
        return settings::TValue(a->value());
    if (auto *a = dynamic_cast<TRectAction *>(action))
        return settings::TValue(a->value());
    return std::nullopt;
}

// Runs handler with the action's value after every apply.
void AfterApply(QAction *action, std::function<void(const settings::TValue &)> handler)
{
    const auto run = [action, handler] {
        if (const std::optional<settings::TValue> v = ActionValue(action))
            handler(*v);
    };
    if (auto *a = qobject_cast<TCheckAction *>(action)) {
        a->setOnAfterTrueApply(run);
        a->setOnAfterFalseApply(run);
        return;
    }
    const auto typed = [&](auto *a) {
        if (!a)
            return false;
        a->setOnAfterApply([run](const auto &) { run(); });
        return true;
    };
    typed(dynamic_cast<TBooleanAction *>(action)) || typed(dynamic_cast<TIntegerAction *>(action)) ||
        typed(dynamic_cast<TDoubleAction *>(action)) || typed(dynamic_cast<TWidestringAction *>(action)) ||
        typed(dynamic_cast<TWStringsAction *>(action)) || typed(dynamic_cast<TFontAction *>(action)) ||
        typed(dynamic_cast<TRectAction *>(action));
}

// The icon of an action: a freedesktop theme name, with a style icon where
// the theme has none.
QIcon ActionIcon(const QString &name, const QStyle *style)
{
    struct TIcon
    {
        const char *action;
        const char *theme;
        QStyle::StandardPixmap fallback;
    };
    static const TIcon kIcons[] = {
        {"saOpenFiles", "document-open", QStyle::SP_DialogOpenButton},
        {"naPasteFiles", "edit-paste", QStyle::SP_FileDialogContentsView},
        {"naOpenPreferredFolder", "folder-open", QStyle::SP_DirOpenIcon},
        {"waOpenPlayList", "view-media-playlist", QStyle::SP_FileDialogListView},
        {"naVider", "edit-clear-all", QStyle::SP_DialogResetButton},
        {"caMute", "audio-volume-muted", QStyle::SP_MediaVolumeMuted},
        {"caAfficherIncrustation", "insert-text", QStyle::SP_FileDialogDetailedView},
        {"caDeinterlace", "view-filter", QStyle::SP_BrowserReload},
        {"caFullscreen", "view-fullscreen", QStyle::SP_TitleBarMaxButton},
        {"daDecalageDisplay", "preferences-system-time", QStyle::SP_BrowserReload},
        {"caEditerScenes", "view-list-details", QStyle::SP_FileDialogDetailedView},
        {"caEditerIncrust", "document-edit", QStyle::SP_FileDialogInfoView},
        {"saInsererScene", "list-add", QStyle::SP_FileDialogNewFolder},
        {"saSupprimerScene", "list-remove", QStyle::SP_TrashIcon},
        {"caEditerTitres", "format-text-bold", QStyle::SP_FileDialogInfoView},
        {"saEnregistrerScn", "document-save", QStyle::SP_DialogSaveButton},
        {"naSelectionnerTout", "edit-select-all", QStyle::SP_DialogApplyButton},
        {"caHelp", "help-browser", QStyle::SP_DialogHelpButton},
        {"caOptions", "preferences-system", QStyle::SP_FileDialogDetailedView},
        {"caScript", "text-x-script", QStyle::SP_FileIcon},
        {"caAbout", "help-about", QStyle::SP_MessageBoxInformation},
        {"naQuit", "application-exit", QStyle::SP_DialogCloseButton},
        {"caPlayPause", "media-playback-start", QStyle::SP_MediaPlay},
        {"ccCreerSrt", "media-view-subtitles", QStyle::SP_FileIcon},
    };
    for (const TIcon &icon : kIcons)
        if (name == QLatin1String(icon.action))
            return QIcon::fromTheme(QString::fromLatin1(icon.theme), style->standardIcon(icon.fallback));
    return {};
}

// Settings that both the commands and a handler of the window follow: the
// window's handler is the published one, the command catalogue's the internal one.
const char *const kSharedSettings[] = {"IncrustX",    "IncrustY",          "IncrustFont", "DecalageDisplay",
                                       "WhenIncrust", "DureeIncrustation", "FichierF3",   "FichierF4"};
bool SharedSetting(QStringView key)
{
    for (const char *shared : kSharedSettings)
        if (key.compare(QLatin1String(shared), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QKeySequence Key(QStringView text) { return QKeySequence::fromString(text.toString(), QKeySequence::PortableText); }

} // namespace

// Answers the engine's questions with a message box.
class TUIForm::TAnswerer final : public TCommandAnswerer
{
public:
    explicit TAnswerer(QWidget *parent) : m_parent(parent) {}
    TModalResult ConfirmCommand(const QString &question, bool several) override
    {
        QMessageBox box(QMessageBox::Question, QString::fromLatin1(kAppTitle), question, QMessageBox::NoButton, m_parent);
        QAbstractButton *yes = box.addButton(QMessageBox::Yes);
        QAbstractButton *no = box.addButton(QMessageBox::No);
        QAbstractButton *noToAll = several ? box.addButton(QStringLiteral("No to all"), QMessageBox::NoRole) : nullptr;
        QAbstractButton *yesToAll = several ? box.addButton(QStringLiteral("Yes to all"), QMessageBox::YesRole) : nullptr;
        box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(qobject_cast<QPushButton *>(yes));
        box.exec();
        QAbstractButton *clicked = box.clickedButton();
        if (clicked == yes)
            return mrYes;
        if (clicked == no)
            return mrNo;
        if (clicked && clicked == noToAll)
            return mrNoToAll;
        if (clicked && clicked == yesToAll)
            return mrYesToAll;
        return mrCancel;
    }

private:
    QWidget *m_parent;
};

// Keeps the list view's selection and current item equal to the model's
// selection and active item, both ways.
class TUIForm::TListSync final
{
public:
    TListSync(QListView &view, TFichierListModel &model) : m_view(view), m_model(model)
    {
        QItemSelectionModel *selection = view.selectionModel();
        QObject::connect(selection, &QItemSelectionModel::selectionChanged, &view, [this] { toModel(); });
        QObject::connect(selection, &QItemSelectionModel::currentChanged, &view, [this](const QModelIndex &current) {
            if (!m_busy && current.isValid() && current.row() != m_model.activeIndex()) {
                m_busy = true;
                m_model.SetActive(current.row());
                m_busy = false;
                toView();
            }
        });
        QObject::connect(&model, &TFichierListModel::OnCountsChange, &view, [this] { toView(); });
        QObject::connect(&model, &TFichierListModel::OnActiveChange, &view, [this] { toView(); });
    }

    void toView()
    {
        if (m_busy)
            return;
        m_busy = true;
        QItemSelection selected;
        for (int row = 0; row < m_model.count(); ++row)
            if (m_model.isSelected(row))
                selected.select(m_model.index(row), m_model.index(row));
        QItemSelectionModel *selection = m_view.selectionModel();
        selection->select(selected, QItemSelectionModel::ClearAndSelect);
        const int active = m_model.activeIndex();
        selection->setCurrentIndex(active >= 0 ? m_model.index(active) : QModelIndex(), QItemSelectionModel::NoUpdate);
        m_busy = false;
    }

private:
    void toModel()
    {
        if (m_busy)
            return;
        m_busy = true;
        QItemSelectionModel *selection = m_view.selectionModel();
        for (int row = 0; row < m_model.count(); ++row) {
            const bool on = selection->isRowSelected(row, QModelIndex());
            if (on != m_model.isSelected(row))
                m_model.setSelected(row, on);
        }
        m_busy = false;
        toView(); // the active item stays selected
    }

    QListView &m_view;
    TFichierListModel &m_model;
    bool m_busy = false;
};

TUIForm::TUIForm(TdmAction &actions, Tviewdm &playback, TUIFormSetup setup, QWidget *parent)
    : QMainWindow(parent),
      m_dm(actions),
      m_playback(playback),
      m_setup(std::move(setup)),
      m_gp(m_setup.places)
{
    setObjectName(QStringLiteral("UIForm"));
    const QString title = QStringLiteral("%1 %2 en").arg(QString::fromLatin1(kAppTitle), QString::fromLatin1(uiform::kAppVersion));
    m_gp.setVersion(PreferencesVersionText(title));
    setWindowTitle(QStringLiteral("%1 by %2").arg(QString::fromLatin1(kAppTitle), QString::fromLatin1(kMakerName)));
    QFont font = this->font();
    font.setFamily(QStringLiteral("Arial"));
    setFont(font);
    resize(962, 751);
    setAcceptDrops(true);

    m_list.setOpenExtensions({QString::fromLatin1(kVideoExtension)});
    const QString format = m_dm.formatAfficherDatecode;
    m_list.setRecordFactory([format](const QString &path) { return std::make_unique<TaviFichier>(path, format); });
    m_engineList = std::make_unique<TModelFileList>(m_list);
    m_answerer = std::make_unique<TAnswerer>(this);
    m_ce.setSourceFichierListbox(m_engineList.get());
    m_ce.setDestFichierListbox(m_engineList.get());
    m_ce.setAnswerer(m_answerer.get());
    m_ficman.setFichierListBox(&m_list);
    m_ficman.setTitre(QString::fromLatin1(kAppTitle));

    buildParts();
    buildActions();
    buildMenus();
    buildToolbar();
    linkEngine();
    linkList();
    linkDisplay();
    linkPlayback();
    linkFileActions();
    linkCommands();
    linkSettings();
    resolveShortcuts();

    m_al.setSwitchProcessor(&m_switch);
    m_am.setSwitchProcessor(&m_switch);
    m_ficman.setSwitchProcessor(&m_switch);
    m_switch.setBusyCheck([this] { return m_ce.isRunning() || m_list.isOpening(); });
    m_switch.setCloseMainWindow([this] { close(); });

    connect(&m_gp, &TBrontelPreferences::loadPrefs, this, [this](TBrontelPreferences *gp) {
        gp->OpenKey(settings::MainWindowKey.toString());
        m_al.LoadAllFromPrefs(*gp);
        m_am.LoadAllFromPrefs(*gp);
        m_ficman.LoadAllFromPrefs(*gp);
        gp->CloseKey();
    });
    connect(&m_gp, &TBrontelPreferences::savePrefs, this, [this](TBrontelPreferences *gp) {
        gp->OpenKey(settings::MainWindowKey.toString());
        m_al.SaveAllToPrefs(*gp);
        m_am.SaveAllToPrefs(*gp);
        m_ficman.SaveAllToPrefs(*gp);
        gp->CloseKey();
    });

    if (auto *ctrl = m_al.find<TCheckAction>(QStringLiteral("caCTRLShortcuts")))
        ctrl->SetValue(false);
    applyView(1);
    showStatus();
    countsChanged(0, 0);
}

TUIForm::~TUIForm()
{
    m_ce.AbortAll();
    m_ce.waitForIdle(-1);
    m_list.StopOpening();
}

// --- parts ---

void TUIForm::buildParts()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->installEventFilter(this);
    setCentralWidget(m_client);

    m_side = new QWidget(m_client);
    m_side->setObjectName(QStringLiteral("Lframe"));
    m_base = new TBaseFrame(m_client);
    m_listView = new QListView(m_side);
    m_listView->setObjectName(QStringLiteral("lf"));
    m_listView->setModel(&m_list);
    m_listView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView->setDragEnabled(true);
    m_listView->setAcceptDrops(true);
    m_listView->setDragDropMode(QAbstractItemView::DragDrop);
    m_listView->setDefaultDropAction(Qt::CopyAction);
    m_listView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_listView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_sync = std::make_unique<TListSync>(*m_listView, m_list);
    m_labSelect = new QLabel(m_side);
    m_labSelect->setObjectName(QStringLiteral("labSelect"));
    auto *sideLayout = new QVBoxLayout(m_side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->setSpacing(2);
    sideLayout->addWidget(m_listView, 1);
    sideLayout->addWidget(m_labSelect);

    m_vue = new TVueFrame(m_playback, m_client);
    m_vue->setObjectName(QStringLiteral("VueFrame"));

    m_videPanel = new QWidget(m_client);
    m_videPanel->setObjectName(QStringLiteral("VidePanel"));
    m_welcome = new TLinkEdit(m_videPanel);
    m_welcome->setObjectName(QStringLiteral("VideFrame"));
    m_welcome->setTextAlignment(Qt::AlignHCenter);
    m_welcome->setRichText(uiform::WelcomeText());
    m_welcome->setFixedSize(480, 300);
    m_welcome->setContextMenuPolicy(Qt::CustomContextMenu);
    m_videPanel->installEventFilter(this);

    m_status = new QLabel(QStringLiteral("Ready"), this);
    m_status->setObjectName(QStringLiteral("StatusBar1"));
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setAutoFillBackground(true);
    statusBar()->addWidget(m_status, 1);
}

void TUIForm::buildActions()
{
    m_al.setObjectName(QStringLiteral("al"));
    m_am.setObjectName(QStringLiteral("am"));
    m_ficman.setObjectName(QStringLiteral("ficman"));
    CreateCatalogueActions(m_al, actioncatalogue::TOwner::Main, m_setup.machine);
    CreateCatalogueActions(m_am, actioncatalogue::TOwner::AppliMan, m_setup.machine);
    for (TQvActionList *list : {&m_al, &m_am, static_cast<TQvActionList *>(&m_ficman)})
        for (QAction *a : list->actions()) {
            if (auto *c = dynamic_cast<TCustomAbstractAction *>(a)) {
                const QIcon icon = ActionIcon(c->name(), style());
                if (!icon.isNull())
                    c->setIcon(icon);
                if (const actioncatalogue::TActionEntry *entry = actioncatalogue::Find(c->name()))
                    if (!entry->enabledAtStart)
                        c->setEnabled(false);
            }
            a->setShortcutContext(Qt::WindowShortcut);
            addAction(a);
        }
    // A stored setting without a switch of its own is set from the command
    // line by its key: "/Volume=7000".
    for (TQvActionList *list : {&m_al, &m_am, static_cast<TQvActionList *>(&m_ficman)})
        for (TCustomAbstractAction *a : list->customActions())
            if (a->switchName().isEmpty() && a->includePrefs() && !qobject_cast<TNopeAction *>(a) &&
                !a->name().startsWith(QLatin1String("cc")))
                a->setSwitchName(a->scriptName());
    // Ctrl with the numeric keypad for the two type conversions.
    if (TCustomAbstractAction *a = m_al.findByName(QStringLiteral("ccConvertirDV1")))
        a->setShortCut(QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_1)));
    if (TCustomAbstractAction *a = m_al.findByName(QStringLiteral("ccConvertirDV2")))
        a->setShortCut(QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_2)));
}

TCustomAbstractAction *TUIForm::action(const QString &name) const
{
    for (const TCustomQvActionList *list : {static_cast<const TCustomQvActionList *>(&m_al),
                                            static_cast<const TCustomQvActionList *>(&m_ficman),
                                            static_cast<const TCustomQvActionList *>(&m_am)})
        if (TCustomAbstractAction *a = list->findByName(name))
            return a;
    return nullptr;
}

void TUIForm::buildMenus()
{
    const auto fill = [this](QMenu *menu, const actioncatalogue::TMenu &data) {
        for (const actioncatalogue::TMenuItem &item : data.items) {
            switch (item.kind) {
            case actioncatalogue::TItemKind::Separator: menu->addSeparator(); break;
            case actioncatalogue::TItemKind::Action:
                if (TCustomAbstractAction *a = action(item.action.toString()))
                    menu->addAction(a);
                break;
            case actioncatalogue::TItemKind::SubMenu: {
                QMenu *sub = menu->addMenu(item.caption.toString());
                for (QStringView name : item.items)
                    if (TCustomAbstractAction *a = action(name.toString()))
                        sub->addAction(a);
                break;
            }
            case actioncatalogue::TItemKind::Command: {
                QAction *own = menu->addAction(item.caption.toString());
                own->setObjectName(QStringLiteral("menu:") + item.command.toString());
                own->setToolTip(item.hint.toString());
                own->setStatusTip(item.hint.toString());
                own->setShortcut(Key(item.shortcut));
                own->setShortcutContext(Qt::WindowShortcut);
                const QString command = item.command.toString();
                connect(own, &QAction::triggered, this, [this, command] { runCommand(QStringLiteral("cc") + command, {}); });
                break;
            }
            }
        }
    };
    for (const actioncatalogue::TMenu &data : actioncatalogue::MainMenu()) {
        QMenu *menu = menuBar()->addMenu(data.caption.toString());
        menu->setObjectName(data.caption.toString());
        fill(menu, data);
        m_menus << menu;
    }
    for (const actioncatalogue::TMenu &data : actioncatalogue::ContextMenus()) {
        auto *menu = new QMenu(this);
        menu->setObjectName(data.name.toString());
        fill(menu, data);
        m_contextMenus << menu;
    }
    QMenu *mainPopup = contextMenu(QStringLiteral("mainPopup"));
    const auto popup = [mainPopup](QWidget *w) {
        QObject::connect(w, &QWidget::customContextMenuRequested, w,
                         [w, mainPopup](const QPoint &p) { mainPopup->popup(w->mapToGlobal(p)); });
    };
    popup(m_listView);
    popup(m_welcome);
    QMenu *pmWindow = contextMenu(QStringLiteral("pmWindow"));
    connect(m_vue, &TVueFrame::contextMenuWanted, this, [pmWindow](const QPoint &p) { pmWindow->popup(p); });
}

QMenu *TUIForm::mainMenu(const QString &caption) const
{
    for (QMenu *m : m_menus)
        if (m->objectName() == caption)
            return m;
    return nullptr;
}

QMenu *TUIForm::contextMenu(const QString &name) const
{
    for (QMenu *m : m_contextMenus)
        if (m->objectName() == name)
            return m;
    return nullptr;
}

QToolBar *TUIForm::toolbarGroup(const QString &name) const
{
    for (QToolBar *t : m_toolbars)
        if (t->objectName() == name)
            return t;
    return nullptr;
}

void TUIForm::buildToolbar()
{
    for (const actioncatalogue::TToolbarGroup &group : actioncatalogue::Toolbar()) {
        auto *bar = new QToolBar(group.name.toString(), this);
        bar->setObjectName(group.name.toString());
        bar->setMovable(false);
        bar->setFloatable(false);
        bar->setIconSize(QSize(24, 24));
        bar->setFixedHeight(41);
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        for (QStringView name : group.actions)
            if (TCustomAbstractAction *a = action(name.toString()))
                bar->addAction(a);
        addToolBar(Qt::TopToolBarArea, bar);
        m_toolbars << bar;
    }
}

// A key given to two actions would reach neither: the first holder keeps it,
// in the order of the main list, the file-list manager, the application manager.
void TUIForm::resolveShortcuts()
{
    QSet<QString> taken;
    for (const TCustomQvActionList *list : {static_cast<const TCustomQvActionList *>(&m_al),
                                            static_cast<const TCustomQvActionList *>(&m_ficman),
                                            static_cast<const TCustomQvActionList *>(&m_am)})
        for (TCustomAbstractAction *a : list->customActions()) {
            QList<QKeySequence> keys;
            if (!a->shortCut().isEmpty())
                keys << a->shortCut();
            for (const QString &name : a->secondaryShortcuts())
                keys << QKeySequence::fromString(name, QKeySequence::PortableText);
            QList<QKeySequence> kept;
            for (const QKeySequence &key : keys) {
                const QString text = key.toString(QKeySequence::PortableText);
                if (key.isEmpty() || taken.contains(text))
                    continue;
                taken.insert(text);
                kept << key;
            }
            a->setShortcuts(kept);
        }
}

// --- events of the engine and the list ---

void TUIForm::linkEngine()
{
    m_ce.setFichierClass([this](const QString &path) -> std::unique_ptr<TAbstractListFichier> {
        try {
            return std::make_unique<TAfficherFichier>(path, m_dm.formatAfficherDatecode);
        } catch (const std::exception &) {
            return std::make_unique<TSRFichier>(path);
        }
    });
    connect(&m_ce, &TCommandEngine::OnMessageCommand, this, [this](const QString &text) {
        m_commandMessage = text;
        showStatus();
        m_status->repaint();
    });
    connect(&m_ce, &TCommandEngine::OnErrorCommand, this,
            [this](const QString &text, TErrorType kind) { errorBox(text, int(kind)); });
    connect(&m_ce, &TCommandEngine::OnStartProgress, this, [this](int max) { m_base->startProgress(max); });
    connect(&m_ce, &TCommandEngine::OnSetProgress, this, [this](int position) { m_base->setProgress(position); });
    connect(&m_ce, &TCommandEngine::OnEndProgress, this, [this] { m_base->endProgress(); });
    connect(&m_ce, &TCommandEngine::OnStartFichier, this, [this](TAbstractListFichier *f, const QStringList &, int) {
        if (auto *video = dynamic_cast<TaviFichier *>(f))
            m_dm.workingTimeDifference = video->displayShift();
    });
    connect(&m_ce, &TCommandEngine::OnEndFichier, this, [this](TAbstractListFichier *f, const QStringList &, int) {
        if (auto *video = dynamic_cast<TaviFichier *>(f))
            video->setDisplayShift(m_dm.workingTimeDifference);
    });
    connect(&m_ce, &TCommandEngine::OnEndCommand, this, [this] {
        m_commandMessage.clear();
        showStatus();
        ShowActiveFile();
    });
    // The commands that edit a file in place let the player go of it first.
    m_dm.OnReleaseFile = [this](const QString &path) {
        if (m_playback.path() == path)
            m_playback.ReleaseFile();
    };
}

void TUIForm::errorBox(const QString &text, int kind)
{
    QString message = text;
    if (kind == etError)
        message += QStringLiteral("\rThe current file has been aborted.");
    else if (kind == etAllError)
        message += QStringLiteral("\rThe command will be aborted.");
    QMessageBox::critical(this, QString::fromLatin1(kAppTitle), message, QMessageBox::Ok);
    m_base->endProgress();
}

void TUIForm::showStatus()
{
    QString text = QStringLiteral("Ready");
    QColor colour = palette().color(QPalette::Window);
    if (!m_commandMessage.isEmpty()) {
        text = m_commandMessage;
        colour = uiform::CommandColor();
    } else if (!m_openerMessage.isEmpty()) {
        text = m_openerMessage;
        colour = uiform::OpenerColor();
    }
    m_status->setText(text);
    QPalette p = m_status->palette();
    p.setColor(QPalette::Window, colour);
    m_status->setPalette(p);
}

QString TUIForm::statusText() const { return m_status->text(); }
QColor TUIForm::statusColor() const { return m_status->palette().color(QPalette::Window); }
QString TUIForm::countsText() const { return m_labSelect->text(); }

void TUIForm::linkList()
{
    connect(&m_list, &TFichierListModel::OnOpenFolderFound, this, [this](const QString &folder) {
        m_openerMessage = QStringLiteral("Analysing ") + folder;
        showStatus();
    });
    connect(&m_list, &TFichierListModel::OnOpenEnd, this, [this] {
        m_openerMessage.clear();
        showStatus();
    });
    connect(&m_list, &TFichierListModel::OnOpenFileError, this, [this](const QString &path, const QString &reason) {
        statusBar()->showMessage(QStringLiteral("%1: %2").arg(path, reason), 5000);
    });
    connect(&m_list, &TFichierListModel::OnCountsChange, this, &TUIForm::countsChanged);
    connect(&m_list, &TFichierListModel::OnActiveChange, this, [this] { ShowActiveFile(); });
    connect(m_base, &TBaseFrame::nameClicked, this, [this] {
        if (TCustomAbstractAction *a = action(QStringLiteral("naParentFolder")))
            a->Execute();
    });
    // "Paste" follows the clipboard.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        if (TCustomAbstractAction *paste = action(QStringLiteral("naPasteFiles")))
            paste->setEnabled(TFichierListModel::CanPaste(QGuiApplication::clipboard()->mimeData()));
    });
}

void TUIForm::countsChanged(int selected, int total)
{
    m_labSelect->setText(uiform::CountsText(selected, total, m_list.sortIndex()));
    const auto *videoOnly = m_al.find<TCheckAction>(QStringLiteral("caVideoSeule"));
    const auto *reduced = m_al.find<TCheckAction>(QStringLiteral("caVueReduite"));
    const int view = uiform::ViewFor(total, videoOnly && videoOnly->value(), reduced && reduced->value());
    if (auto *vue = m_al.find<TIntegerAction>(QStringLiteral("iaVue")); vue && view != m_vue_)
        vue->SetValue(view);
    RefreshActions();
}

void TUIForm::ShowActiveFile()
{
    m_active = dynamic_cast<TaviFichier *>(m_list.activeRecord());
    if (m_active) {
        m_base->ShowFile(m_active);
        m_vue->ShowFile(m_active);
    } else {
        m_base->Clear();
        m_vue->ShowNoFile();
    }
    RefreshActions();
}

void TUIForm::RefreshActions()
{
    const bool any = m_list.count() > 0;
    for (QAction *a : m_al.actions()) {
        auto *c = dynamic_cast<TCustomAbstractAction *>(a);
        const QString category = c ? c->category() : QString();
        bool visible = category == QLatin1String("permanently") ? true
                       : category == QLatin1String("open")      ? a->isVisible()
                                                                : any;
        bool enabled = visible;
        if (c && c->name().startsWith(QLatin1String("cc"), Qt::CaseInsensitive) && any) {
            if (tAbstractCmd *cmd = m_dm.find(c->name().mid(2))) {
                switch (cmd->Nombre) {
                case fnSingle:
                    if (m_active) {
                        bool v = true, e = true;
                        cmd->DoFileCondition(m_active, v, e);
                        visible = visible && v;
                        enabled = enabled && e;
                    }
                    break;
                case fnSelect:
                case fnAll: {
                    bool passes = false;
                    for (int i = 0; i < m_list.count() && !passes; ++i) {
                        if (cmd->Nombre == fnSelect && !m_list.isSelected(i))
                            continue;
                        bool v = true, e = true;
                        cmd->DoFileCondition(m_list.record(i), v, e);
                        passes = e;
                    }
                    enabled = enabled && passes;
                    break;
                }
                case fnNone: break;
                }
            }
        }
        a->setVisible(visible);
        a->setEnabled(enabled);
    }
    // The menu's own command items follow the list like the main list's actions.
    for (QMenu *menu : std::as_const(m_menus))
        for (QAction *a : menu->actions())
            if (a->objectName().startsWith(QLatin1String("menu:"))) {
                a->setVisible(any);
                a->setEnabled(any && m_active != nullptr);
            }
    if (QAction *copy = m_al.findByName(QStringLiteral("naCopierImageDansPP")))
        copy->setEnabled(copy->isVisible() && m_active != nullptr);
    if (QAction *scenes = m_al.findByName(QStringLiteral("caEditerScenes")))
        scenes->setEnabled(scenes->isVisible() && m_active != nullptr && m_active->texts().datecode != QLatin1String("N/A"));
    if (QAction *full = m_al.findByName(QStringLiteral("caFullscreen")); full && !m_fullScreen)
        full->setEnabled(full->isVisible() && m_active != nullptr);

    const std::function<bool(QMenu *)> shows = [&shows](QMenu *menu) {
        bool any = false;
        for (QAction *a : menu->actions()) {
            if (a->isSeparator())
                continue;
            if (QMenu *sub = a->menu()) {
                const bool subShown = shows(sub);
                a->setVisible(subShown);
                any = any || subShown;
            } else {
                any = any || a->isVisible();
            }
        }
        return any;
    };
    for (QMenu *menu : std::as_const(m_menus))
        menu->menuAction()->setVisible(shows(menu));
    for (QMenu *menu : std::as_const(m_contextMenus))
        shows(menu);

    for (const actioncatalogue::TToolbarGroup &group : actioncatalogue::Toolbar()) {
        QToolBar *bar = toolbarGroup(group.name.toString());
        if (!bar)
            continue;
        switch (group.shown) {
        case actioncatalogue::TToolbarShown::Always: bar->setVisible(true); break;
        case actioncatalogue::TToolbarShown::NotInView1:
            bar->setVisible(group.name == u"file" ? m_showFile : m_showList);
            break;
        case actioncatalogue::TToolbarShown::WhileEditingScenes: bar->setVisible(m_showScenes); break;
        }
    }
}

// --- display ---

bool TUIForm::videoAtLeft() const
{
    const auto *mirror = m_al.find<TCheckAction>(QStringLiteral("caListeGauche"));
    return mirror && mirror->value();
}

void TUIForm::applyView(int vue)
{
    if (vue < 0 || vue > 3)
        return;
    m_vue_ = vue;
    switch (vue) {
    case 0:
        m_showFile = m_showList = true;
        break;
    case 1:
        m_showFile = m_showList = m_showScenes = false;
        QTimer::singleShot(0, this, [this] {
            if (m_vue_ == 1) {
                m_welcome->setFocus();
                m_welcome->setCursorWidth(0);
            }
        });
        break;
    default: break;
    }
    m_videPanel->setVisible(vue == 1);
    m_side->setVisible(vue == 0);
    m_base->setVisible(vue == 0 || vue == 3);
    m_vue->setVisible(vue != 1);
    setMinimumSize(uiform::MinimumSize(vue));
    if (vue == 3)
        resize(uiform::kSideWidth, height());
    Relayout();
    RefreshActions();
}

void TUIForm::Relayout()
{
    const int w = m_client->width();
    const int h = m_client->height();
    const int baseHeight = std::max(m_base->sizeHint().height(), 200);
    switch (m_vue_) {
    case 1:
        m_videPanel->setGeometry(0, 0, w, h);
        m_welcome->move(std::max(0, (w - m_welcome->width()) / 2), std::max(0, (h - m_welcome->height()) / 2));
        m_videPanel->raise();
        break;
    case 2:
        m_vue->setGeometry(0, 0, w, h);
        break;
    case 3:
        m_base->setGeometry(0, 0, w, baseHeight);
        m_vue->setGeometry(0, baseHeight, w, std::max(0, h - baseHeight));
        break;
    default: {
        const bool left = videoAtLeft();
        const int sideX = left ? 0 : w - uiform::kSideWidth;
        const int vueX = left ? uiform::kSideWidth : 0;
        m_base->setGeometry(sideX, 0, uiform::kSideWidth, baseHeight);
        m_side->setGeometry(sideX, baseHeight, uiform::kSideWidth, std::max(0, h - baseHeight));
        m_vue->setGeometry(vueX, 0, std::max(0, w - uiform::kSideWidth), h);
        break;
    }
    }
}

void TUIForm::applyWindowSize(int size)
{
    if (auto *full = m_al.find<TCheckAction>(QStringLiteral("caFullscreen")); full && full->value())
        full->SetValue(false);
    switch (size) {
    case 0: resize(600, 540); break;
    case 1:
        if (auto *bounds = m_am.find<TRectAction>(QStringLiteral("raFormSave"))) {
            const QRect g = geometry();
            bounds->Assign({g.left(), g.top(), g.right() + 1, g.bottom() + 1});
            setGeometry(g);
        }
        break;
    case 2:
        if (QScreen *screen = this->screen())
            setGeometry(screen->availableGeometry());
        break;
    default: break;
    }
}

void TUIForm::setFullScreen(bool on)
{
    m_fullScreen = on;
    m_vue->setFullScreen(on);
    RefreshActions();
}

void TUIForm::linkDisplay()
{
    auto *vue = m_al.find<TIntegerAction>(QStringLiteral("iaVue"));
    vue->setOnAfterApply([this](const qint32 &v) { applyView(v); });
    auto *mirror = m_al.find<TCheckAction>(QStringLiteral("caListeGauche"));
    mirror->setOnPrepare([this] { return m_vue_ == 0; });
    AfterApply(mirror, [this](const settings::TValue &) { Relayout(); });
    auto *videoOnly = m_al.find<TCheckAction>(QStringLiteral("caVideoSeule"));
    auto *reduced = m_al.find<TCheckAction>(QStringLiteral("caVueReduite"));
    const auto listed = [this] { return m_list.count() > 0; };
    videoOnly->setOnPrepare(listed);
    reduced->setOnPrepare(listed);
    videoOnly->setOnAfterTrueApply([vue] { vue->SetValue(2); });
    videoOnly->setOnAfterFalseApply([vue, reduced] { vue->SetValue(reduced->value() ? 3 : 0); });
    reduced->setOnAfterTrueApply([vue] { vue->SetValue(3); });
    reduced->setOnAfterFalseApply([vue] { vue->SetValue(0); });
    auto *full = m_al.find<TCheckAction>(QStringLiteral("caFullscreen"));
    full->setOnPrepare([this, full] { return full->value() || m_active != nullptr; });
    full->setOnAfterTrueApply([this] { setFullScreen(true); });
    full->setOnAfterFalseApply([this] { setFullScreen(false); });
    if (auto *size = m_al.find<TIntegerAction>(QStringLiteral("iaWindowSize")))
        size->setOnAfterApply([this](const qint32 &v) { applyWindowSize(v); });
    if (auto *bounds = m_am.find<TRectAction>(QStringLiteral("raFormSave"))) {
        bounds->setOnAfterApply([this](const TRectValue &r) {
            if (r.right > r.left && r.bottom > r.top)
                setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
        });
        bounds->setBeforeSave([this](TRectValue &r) {
            const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
            r = {g.left(), g.top(), g.right() + 1, g.bottom() + 1};
            return true;
        });
    }
    if (auto *ctrl = m_al.find<TCheckAction>(QStringLiteral("caCTRLShortcuts"))) {
        ctrl->setOnAfterTrueApply([this] { resolveShortcuts(); });
        ctrl->setOnAfterFalseApply([this] { resolveShortcuts(); });
    }
    if (TCustomAbstractAction *quit = m_am.findByName(QStringLiteral("naQuit")))
        if (auto *nope = qobject_cast<TNopeAction *>(quit))
            nope->setOnAfterApply([this] { close(); });
}

void TUIForm::showTexts(const TVueTexts &texts)
{
    m_base->setDatecodeText(texts.datecode);
    m_base->setTimecodeText(texts.timecode);
    if (m_active && m_active->facts().dvType == TDvType::Type1 && !texts.audio1.isEmpty() && !texts.audio2.isEmpty())
        m_base->setAudioTexts(texts.audio1, texts.audio2);
    if (m_active && !texts.picture.isEmpty())
        m_base->setPictureText(texts.picture);
}

void TUIForm::linkPlayback()
{
    connect(m_vue, &TVueFrame::textsReady, this, &TUIForm::showTexts);
    connect(&m_playback, &Tviewdm::playStateChanged, this, [this](bool playing) {
        if (auto *play = m_al.find<TCheckAction>(QStringLiteral("caPlayPause")))
            play->setCheckState(playing);
    });
    auto *play = m_al.find<TCheckAction>(QStringLiteral("caPlayPause"));
    play->setOnAfterTrueApply([this] { m_playback.Play(); });
    play->setOnAfterFalseApply([this] { m_playback.Pause(); });

    auto *volume = m_al.find<TIntegerAction>(QStringLiteral("iaVolume"));
    volume->setOnAfterApply([this](const qint32 &value) {
        const int used = std::clamp(value, 0, 10000);
        m_base->setVolumeGauge(used / 100);
        if (!m_soundOff) {
            m_playback.SetVolume(used);
            m_playedVolume = used;
        }
    });
    const auto step = [this, volume](const char *name, int delta) {
        if (auto *a = m_al.find<TNopeAction>(QString::fromLatin1(name)))
            a->setOnAfterApply([volume, delta] { volume->SetValue(volume->value() + delta); });
    };
    step("naIncVolume", 1000);
    step("naDecVolume", -1000);
    auto *mute = m_al.find<TCheckAction>(QStringLiteral("caMute"));
    mute->setOnAfterTrueApply([this] {
        m_soundOff = true;
        m_playback.SetVolume(0);
        m_playedVolume = 0;
    });
    mute->setOnAfterFalseApply([this, volume] {
        m_soundOff = false;
        volume->Apply();
    });

    const auto nav = [this](const char *name, std::function<void()> move) {
        if (auto *a = m_al.find<TNopeAction>(QString::fromLatin1(name)))
            a->setOnAfterApply([this, move] {
                if (m_active)
                    move();
            });
    };
    nav("naAvanceFrame", [this] { m_vue->StepFrame(1); });
    nav("naAvanceSeconde", [this] { m_vue->StepSecond(1); });
    nav("naAvanceMinute", [this] { m_vue->StepMinute(1); });
    nav("naAvanceFin", [this] { m_vue->GoToEnd(); });
    nav("naReculeFrame", [this] { m_vue->StepFrame(-1); });
    nav("naReculeSeconde", [this] { m_vue->StepSecond(-1); });
    nav("naReculeMinute", [this] { m_vue->StepMinute(-1); });
    nav("naReculeDebut", [this] { m_vue->GoToStart(); });
    nav("naCopierImageDansPP", [this] {
        const QImage picture = m_vue->currentPicture();
        if (!picture.isNull())
            QGuiApplication::clipboard()->setImage(picture.convertToFormat(QImage::Format_RGB888));
    });

    // The inlay settings of the playback inlay stage.
    Tdv_Superposer &inlay = m_playback.superposer();
    const auto setting = [this](const char *name, std::function<void(const settings::TValue &)> use) {
        if (TCustomAbstractAction *a = action(QString::fromLatin1(name)))
            AfterApply(a, std::move(use));
    };
    setting("iaIncrustX", [this, &inlay](const settings::TValue &v) {
        inlay.SetX(std::clamp(std::get<qint32>(v), 0, 1000));
        m_playback.RefreshPicture();
    });
    setting("iaIncrustY", [this, &inlay](const settings::TValue &v) {
        inlay.SetY(std::clamp(std::get<qint32>(v), 0, 1000));
        m_playback.RefreshPicture();
    });
    setting("iaWhenIncrust", [&inlay](const settings::TValue &v) { inlay.SetWhen(std::get<qint32>(v)); });
    setting("iaDureeIncrustation", [&inlay](const settings::TValue &v) { inlay.SetDuration(std::get<qint32>(v)); });
    setting("iaBorderSize", [&inlay](const settings::TValue &v) { inlay.SetBorderSize(std::get<qint32>(v)); });
    setting("faIncrustFont", [this, &inlay](const settings::TValue &v) {
        inlay.SetIncrustFont(IncrustFontOf(std::get<TFontValue>(v)));
        m_playback.RefreshPicture();
    });
    setting("caAfficherIncrustation", [this, &inlay](const settings::TValue &v) {
        inlay.SetVisible(std::get<bool>(v));
        m_playback.RefreshPicture();
    });
    setting("caDeinterlace", [this, &inlay](const settings::TValue &v) {
        inlay.SetDeinterlace(std::get<bool>(v));
        m_playback.RefreshPicture();
    });
    setting("daDecalageDisplay", [this](const settings::TValue &v) {
        m_playback.setDisplayShift(std::get<double>(v));
        m_playback.RefreshPicture();
    });
    setting("caEditerIncrust", [this](const settings::TValue &v) {
        const bool on = std::get<bool>(v);
        m_vue->setInlayEditing(on);
        if (auto *ctrl = m_al.find<TCheckAction>(QStringLiteral("caCTRLShortcuts")))
            ctrl->SetValue(on);
    });
    connect(m_vue, &TVueFrame::cornerClicked, this, [this] {
        if (TCustomAbstractAction *edit = action(QStringLiteral("caEditerIncrust")))
            edit->Execute();
    });
    connect(m_vue, &TVueFrame::inlayPositionChosen, this, [this](int x, int y) {
        if (auto *ix = m_al.find<TIntegerAction>(QStringLiteral("iaIncrustX")))
            ix->SetValue(x);
        if (auto *iy = m_al.find<TIntegerAction>(QStringLiteral("iaIncrustY")))
            iy->SetValue(y);
    });
}

void TUIForm::linkFileActions()
{
    const auto on = [this](const char *name, std::function<void()> run) {
        if (auto *a = m_al.find<TNopeAction>(QString::fromLatin1(name)))
            a->setOnAfterApply(std::move(run));
    };
    on("naInterrompre", [this] {
        if (m_fullScreen) {
            if (auto *full = m_al.find<TCheckAction>(QStringLiteral("caFullscreen")))
                full->SetValue(false);
            return;
        }
        m_playback.AbortStill();
        m_ce.Abort();
        m_list.StopOpening();
    });
    on("naInterrompreTous", [this] {
        m_playback.AbortStill();
        m_list.StopOpening();
        QCoreApplication::processEvents();
        m_ce.AbortAll();
        QCoreApplication::processEvents();
        m_vue->stopTimer40();
    });
    on("naSelectionnerTout", [this] { m_list.SelectAll(true); });
    on("naOterSelection", [this] { m_list.RemoveSelected(); });
    on("naDureeTotale", [this] {
        qint64 selected = 0, total = 0;
        for (int i = 0; i < m_list.count(); ++i)
            if (const auto *video = dynamic_cast<const TaviFichier *>(m_list.record(i))) {
                total += video->facts().duration;
                if (m_list.isSelected(i))
                    selected += video->facts().duration;
            }
        QMessageBox::information(this, QString::fromLatin1(kAppTitle), uiform::TotalDurationText(selected, total));
    });
    auto *sortId = m_al.find<TWidestringAction>(QStringLiteral("waSortIndexId"));
    if (sortId)
        sortId->setOnAfterApply([this](const QString &id) {
            m_list.SetSortIndexId(id);
            m_list.RefreshCounts();
        });
    const std::pair<const char *, TSortIndex (*)()> sorts[] = {
        {"naOrdreAlpha", &sortindex::Alpha},       {"naTriTaille", &sortindex::Taille},
        {"naTrierModify", &sortindex::Modify},     {"naTriDatecode", &sortindex::Datecode},
        {"naTriTimecode", &sortindex::Timecode},   {"naTriDuree", &sortindex::Duration},
    };
    for (const auto &[name, index] : sorts)
        on(name, [sortId, index] {
            if (sortId)
                sortId->SetValue(sortindex::StoredId(index()));
        });
    if (auto *select = m_al.find<TCheckAction>(QStringLiteral("caSelectionnerOuverts")))
        AfterApply(select, [this](const settings::TValue &v) { m_list.setSelectionnerOuverts(std::get<bool>(v)); });
    const auto folder = [this](const char *name, std::function<void(const QString &)> use) {
        if (auto *a = m_al.find<TWidestringAction>(QString::fromLatin1(name)))
            a->setOnAfterApply([use](const QString &v) { use(v); });
    };
    folder("waDossierFavori", [this](const QString &v) { m_list.setPreferredFolder(v); });
    folder("waDossierPlayList", [this](const QString &v) {
        m_list.setPreferredPlayList(QDir(v).filePath(QStringLiteral("tarvex.list")));
    });
    folder("waDossierOuvrir", [this](const QString &v) { m_ficman.setInitialDir(v); });
}

// --- batch commands ---

void TUIForm::runCommand(const QString &actionName, const QStringList &params)
{
    tAbstractCmd *cmd = m_dm.find(actionName.mid(2));
    if (!cmd || m_ce.isRunning())
        return;
    m_ce.ExecuteCommand(cmd, params);
}

void TUIForm::linkCommands()
{
    for (TCustomAbstractAction *a : m_al.customActions()) {
        if (!a->name().startsWith(QLatin1String("cc")))
            continue;
        const QString name = a->name();
        if (auto *nope = qobject_cast<TNopeAction *>(a)) {
            nope->setOnAfterApply([this, name] { runCommand(name, {}); });
            continue;
        }
        // A command with a value runs with the value as its parameter text.
        const auto withValue = [this, name, a] {
            const QStringList params = m_pendingParams.isEmpty() ? QStringList{} : m_pendingParams;
            m_pendingParams.clear();
            if (!params.isEmpty()) {
                runCommand(name, params);
                return;
            }
            if (auto *d = dynamic_cast<TDoubleAction *>(a))
                runCommand(name, {QLocale().toString(d->value(), 'g', 15)});
            else if (auto *i = dynamic_cast<TIntegerAction *>(a))
                runCommand(name, {QString::number(i->value())});
            else if (auto *s = dynamic_cast<TWidestringAction *>(a))
                runCommand(name, {s->value()});
        };
        if (auto *d = dynamic_cast<TDoubleAction *>(a))
            d->setOnAfterApply([withValue](const double &) { withValue(); });
        else if (auto *i = dynamic_cast<TIntegerAction *>(a))
            i->setOnAfterApply([withValue](const qint32 &) { withValue(); });
        else if (auto *s = dynamic_cast<TWidestringAction *>(a))
            s->setOnAfterApply([withValue](const QString &) { withValue(); });
    }
    // The parameter dialogs: the chosen text is the command's parameter.
    const auto ask = [this](const char *name, std::function<std::optional<QString>()> dialog) {
        TCustomAbstractAction *a = m_al.findByName(QString::fromLatin1(name));
        const auto prepare = [this, dialog]() {
            const std::optional<QString> text = dialog();
            if (!text)
                return false;
            m_pendingParams = {*text};
            return true;
        };
        if (auto *d = dynamic_cast<TDoubleAction *>(a))
            d->setOnPrepare([this, prepare](double &value) {
                if (!prepare())
                    return false;
                bool ok = false;
                const double chosen = QLocale().toDouble(m_pendingParams.value(0), &ok);
                if (ok)
                    value = chosen;
                return true;
            });
        else if (auto *i = dynamic_cast<TIntegerAction *>(a))
            i->setOnPrepare([prepare](qint32 &) { return prepare(); });
        else if (auto *w = dynamic_cast<TWidestringAction *>(a))
            w->setOnPrepare([prepare](QString &) { return prepare(); });
    };
    const auto timeDifference = [this] {
        bool advanced = false;
        if (auto *adv = m_al.find<TCheckAction>(QStringLiteral("caAdvancedDecalage")))
            advanced = adv->value();
        TTimeDifferenceHooks hooks;
        hooks.shiftChanged = [this](double days) {
            m_playback.setDisplayShift(days);
            m_playback.RefreshPicture();
        };
        double confirmed = m_dm.conversionSettings.confirmedTimeDifference;
        const std::optional<QString> text = AskTimeDifference(this, m_active, confirmed, advanced, hooks, confirmed);
        if (text)
            m_dm.conversionSettings.confirmedTimeDifference = confirmed;
        if (auto *adv = m_al.find<TCheckAction>(QStringLiteral("caAdvancedDecalage")); adv && adv->value() != advanced)
            adv->SetValue(advanced);
        return text;
    };
    ask("ccDecalageHoraire", timeDifference);
    ask("ccDecalerHoraire", timeDifference);
    ask("ccIntroduireDatecode", [this] { return AskOverwriteDatecode(this); });
    ask("ccModifierCodec", [this] { return AskCodec(this, m_active); });
    ask("ccFrequenceVideo", [this] { return AskFrameRate(this, m_active); });
    ask("ccCreerScnByIntervalle", [this] {
        int intervalle = m_dm.intervalle;
        const std::optional<QString> text = AskInterval(this, intervalle);
        if (text)
            if (auto *setting = m_al.find<TIntegerAction>(QStringLiteral("iaIntervalle")))
                setting->SetValue(intervalle);
        return text;
    });

    // The desktop services of the commands that hand a file on.
    m_dm.setWindowServices(PlatformWindowServices([this](const QString &path) {
        if (!m_riff)
            m_riff = new TRiffForm(this);
        m_riff->setWindowFlag(Qt::Window);
        m_riff->ShowReport(path);
        m_riff->show();
        m_riff->raise();
    }));
    // The F3 and F4 items name their program.
    for (const auto &[setting, command] : {std::pair{"waFichierF3", "ccOpenFichierF3"}, std::pair{"waFichierF4", "ccOpenFichierF4"}})
        if (auto *program = m_al.find<TWidestringAction>(QString::fromLatin1(setting)))
            AfterApply(program, [this, command](const settings::TValue &v) {
                const QString path = std::get<QString>(v);
                if (TCustomAbstractAction *item = m_al.findByName(QString::fromLatin1(command)); item && !path.isEmpty())
                    item->setCaption(QStringLiteral("Open with ") + QFileInfo(path).completeBaseName());
            });
    if (auto *sendTo = m_al.find<TCheckAction>(QStringLiteral("caSendTo")))
        AfterApply(sendTo, [this](const settings::TValue &v) {
            QString error;
            if (!SetSendTo(std::get<bool>(v), QCoreApplication::applicationFilePath(), &error) && !error.isEmpty())
                statusBar()->showMessage(error, 5000);
        });
    if (auto *riff = m_al.find<TNopeAction>(QStringLiteral("naRiffHeader")))
        riff->setOnAfterApply([this] { runCommand(QStringLiteral("ccRiffHeader"), {}); });
    if (auto *byDate = m_al.find<TNopeAction>(QStringLiteral("naCreerScnByDate")))
        byDate->setOnAfterApply([this] { runCommand(QStringLiteral("ccCreerScnByDate"), {}); });
}

void TUIForm::linkSettings()
{
    // Each setting a command follows reaches the command catalogue.
    for (const settings::TSetting &setting : settings::Catalogue()) {
        if (!IsCommandSetting(setting) || setting.action.startsWith(u"cc"))
            continue;
        TCustomAbstractAction *a = action(setting.action.toString());
        if (!a)
            continue;
        const settings::TSetting *s = &setting;
        const bool isFormat = setting.key == u"FormatAfficherDatecode";
        if (SharedSetting(setting.key))
            continue; // the window's own handler is the published one, below
        AfterApply(a, [this, s, isFormat](const settings::TValue &v) {
            ApplyCommandSetting(m_dm, *s, v);
            if (isFormat) {
                const QString format = std::get<QString>(v);
                m_base->setDatecodeFormat(format);
                m_vue->setDatecodeFormat(format);
                m_list.setRecordFactory([format](const QString &path) { return std::make_unique<TaviFichier>(path, format); });
            }
        });
    }
    // The settings of both the playback and the commands: the playback handler
    // set above runs, then the catalogue's.
    for (const char *key : kSharedSettings) {
        const settings::TSetting &setting = settings::Get(QString::fromLatin1(key));
        TCustomAbstractAction *a = action(setting.action.toString());
        if (!a)
            continue;
        const settings::TSetting *s = &setting;
        auto *i = dynamic_cast<TIntegerAction *>(a);
        auto *d = dynamic_cast<TDoubleAction *>(a);
        auto *f = dynamic_cast<TFontAction *>(a);
        if (i)
            i->setInternalApply([this, s](const qint32 &v) { ApplyCommandSetting(m_dm, *s, settings::TValue(v)); });
        if (d)
            d->setInternalApply([this, s](const double &v) { ApplyCommandSetting(m_dm, *s, settings::TValue(v)); });
        if (f)
            f->setInternalApply([this, s](const TFontValue &v) { ApplyCommandSetting(m_dm, *s, settings::TValue(v)); });
        if (auto *w = dynamic_cast<TWidestringAction *>(a))
            w->setInternalApply([this, s](const QString &v) { ApplyCommandSetting(m_dm, *s, settings::TValue(v)); });
    }
}

// --- start-up and close ---

void TUIForm::pumpUntil(const std::function<bool()> &done)
{
    while (!done()) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void TUIForm::waitWhileOpening()
{
    pumpUntil([this] { return !m_list.isOpening(); });
}

void TUIForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    m_base->Clear();
    Relayout();
    m_listView->setFocus();
    QTimer::singleShot(0, this, &TUIForm::startUp);
}

void TUIForm::startUp()
{
    m_gp.LoadAtStart();
    // The list kept from the last run is complete before the named files join it.
    waitWhileOpening();
    QStringList files;
    QStringList switches;
    for (const QString &argument : m_setup.arguments) {
        const bool isSwitch = !argument.isEmpty() && QStringLiteral("+-/").contains(argument.front()) &&
                              !(argument.front() == QLatin1Char('/') && argument.indexOf(QLatin1Char('/'), 1) > 0);
        if (isSwitch)
            switches << argument;
        else
            files << QFileInfo(argument).absoluteFilePath();
    }
    if (!files.isEmpty()) {
        const bool selecting = m_list.selectionnerOuverts();
        m_list.setSelectionnerOuverts(true);
        m_list.OpenPaths(files);
        waitWhileOpening();
        m_list.setSelectionnerOuverts(selecting);
    }
    m_switch.setArguments(switches);
    m_startedUp = true;
    m_switch.RunCommandLine();
    emit startUpDone();
}

void TUIForm::closeEvent(QCloseEvent *event)
{
    if (m_saved) {
        event->accept();
        return;
    }
    if (m_closing) {
        event->ignore();
        return;
    }
    m_closing = true;
    m_switch.RequestStop();
    if (auto *full = m_al.find<TCheckAction>(QStringLiteral("caFullscreen")); full && full->value())
        full->SetValue(false);
    if (auto *abortAll = m_al.find<TNopeAction>(QStringLiteral("naInterrompreTous")))
        abortAll->Apply();
    m_playback.Clear();
    pumpUntil([this] { return !m_ce.isRunning(); });
    const TAskSaveMode ask = m_setup.askSaveMode ? m_setup.askSaveMode : [this](const TSavePrefsQuestion &q) {
        QMessageBox box(QMessageBox::Question, q.caption, QString(), QMessageBox::NoButton, this);
        box.setText(MarkupDisplayText(q.message, QStringLiteral("\n")));
        QList<std::pair<QAbstractButton *, TSavePreferences>> buttons;
        for (const TSavePrefsChoice &choice : q.choices) {
            QPushButton *b = box.addButton(choice.caption, QMessageBox::AcceptRole);
            b->setToolTip(choice.hint);
            buttons.append({b, choice.mode});
        }
        box.exec();
        for (const auto &[button, mode] : buttons)
            if (box.clickedButton() == button)
                return std::optional<TSavePreferences>(mode);
        return std::optional<TSavePreferences>();
    };
    if (m_started && m_gp.SaveAtQuit(ask) == TBrontelPreferences::TQuitResult::Refused) {
        m_closing = false;
        event->ignore();
        return;
    }
    m_saved = true;
    event->accept();
}

void TUIForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow())
        return;
    if (TCustomAbstractAction *paste = action(QStringLiteral("naPasteFiles")))
        paste->setEnabled(TFichierListModel::CanPaste(QGuiApplication::clipboard()->mimeData()));
    const auto *videoOnly = m_al.find<TCheckAction>(QStringLiteral("caVideoSeule"));
    const auto *reduced = m_al.find<TCheckAction>(QStringLiteral("caVueReduite"));
    const int view = uiform::ViewFor(m_list.count(), videoOnly && videoOnly->value(), reduced && reduced->value());
    if (view != m_vue_)
        if (auto *vue = m_al.find<TIntegerAction>(QStringLiteral("iaVue")))
            vue->SetValue(view);
}

void TUIForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_list.acceptFiles() && TFichierListModel::CanPaste(event->mimeData()))
        event->acceptProposedAction();
}

void TUIForm::dropEvent(QDropEvent *event)
{
    const QStringList paths = TFichierListModel::LocalPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    m_list.OpenDropped(paths);
    event->acceptProposedAction();
}

bool TUIForm::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_client || watched == m_videPanel) && event->type() == QEvent::Resize)
        Relayout();
    return QMainWindow::eventFilter(watched, event);
}
