#include "app/MainWindow.h"

#include "app/CommandHub.h"
#include "app/FileManager.h"
#include "app/LabelEditor.h"
#include "app/Menus.h"
#include "app/PrintSheet.h"
#include "app/SaveOnQuit.h"
#include "app/Services.h"
#include "views/Icons.h"
#include "views/LabelRowDelegate.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/edit/LabelFilterModel.h"
#include "LabelKit/edit/LabelListModel.h"
#include "LabelKit/model/MeasureUnit.h"
#include "LabelKit/model/Templates.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/store/LabelStore.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace vantrel {

namespace {

constexpr int sidebarWidth = 260;

QString secondaryStyle() {
    return QStringLiteral("color: palette(placeholder-text);");
}

} // namespace

MainWindow::MainWindow(Services& services, CommandHub& hub, SaveOnQuit& saveOnQuit, QWidget* parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_hub(hub)
    , m_saveOnQuit(saveOnQuit)
    , m_detailFactory([](const QUuid& id, MainWindow& window) -> QWidget* {
        auto* editor = new LabelEditor(id, window.services(), window.hub(), window.saveOnQuit());
        editor->addEditActions(window.menus().edit());
        connect(editor, &LabelEditor::printerSettingsRequested, &window,
                [&window] { window.hub().post(Notifications::showSettings); });
        connect(editor, &LabelEditor::printRequested, &window, [editor, &window] {
            const EditSession& session = editor->session();
            window.openPrintSheet(session.document(), session.table(), session.tickedRows(), 1, {});
        });
        return editor;
    }) {
    setWindowTitle(QStringLiteral("Vantrel"));
    setMinimumSize(1200, 680);
    resize(1380, 860);

    m_menus = new Menus(this, hub);
    buildToolBar();

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_sidebar = buildSidebar();
    layout->addWidget(m_sidebar);
    auto* divider = new QFrame(central);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);
    m_detailStack = new QStackedWidget(central);
    m_emptyState = buildEmptyState();
    m_detailStack->addWidget(m_emptyState);
    layout->addWidget(m_detailStack, 1);
    setCentralWidget(central);

    connect(&hub, &CommandHub::newLabel, this, [this] { addLabel(Templates::blank()); });
    connect(&hub, &CommandHub::importLabel, this, &MainWindow::chooseLabelFile);
    connect(&services.store(), &LabelStore::labelsChanged, this, [this] {
        // The detail follows the store only when the selected label appears or disappears;
        // a save of the shown label leaves the detail (an editor) alone.
        const bool exists = m_selectedID && m_services.store().label(*m_selectedID);
        if (exists != (m_detail != nullptr)) {
            rebuildDetail();
        }
    });

    // A damaged settings file that was set aside, and a setting that could not be saved, are
    // the user's to know; each is told once, when found.
    SettingsStore& settings = services.settings();
    if (auto* file = qobject_cast<FileSettingsStore*>(&settings)) {
        connect(file, &FileSettingsStore::damageFound, this, &MainWindow::showError);
        if (const std::optional<QString>& damage = file->damage()) {
            QTimer::singleShot(0, this, [this, message = *damage] { showError(message); });
        }
    }
    connect(&settings, &SettingsStore::lastErrorChanged, this, [this, &settings] {
        if (settings.lastError()) {
            showError(*settings.lastError());
        }
    });
}

MainWindow::~MainWindow() = default;

void MainWindow::buildToolBar() {
    auto* toolBar = addToolBar(QStringLiteral("Toolbar"));
    toolBar->setObjectName(QStringLiteral("toolbar"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->toggleViewAction()->setVisible(false);
    toolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    QAction* toggle = toolBar->addAction(Icons::icon(u"sidebar.left"), QStringLiteral("Labels"));
    toggle->setToolTip(QStringLiteral("Show or hide the label list"));
    toggle->setCheckable(true);
    toggle->setChecked(true);
    if (auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(toggle))) {
        button->setAccessibleName(toggle->text());
    }
    connect(toggle, &QAction::toggled, this, [this](bool show) {
        // The sidebar slides in and out from the leading edge.
        auto* animation = new QVariantAnimation(this);
        animation->setDuration(200);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
        animation->setStartValue(m_sidebar->isVisible() ? m_sidebar->width() : 0);
        animation->setEndValue(show ? sidebarWidth : 0);
        connect(animation, &QVariantAnimation::valueChanged, m_sidebar,
                [this](const QVariant& width) { m_sidebar->setFixedWidth(width.toInt()); });
        if (show) {
            m_sidebar->setFixedWidth(0);
            m_sidebar->show();
        } else {
            connect(animation, &QVariantAnimation::finished, m_sidebar, &QWidget::hide);
        }
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    });

    auto* menu = new QMenu(this);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        const MeasureUnit unit = MeasureUnit::load(m_services.settings());
        const LabelDocument blank = Templates::blank();
        menu->addAction(QStringLiteral("Blank ") + unit.sizeText(blank.widthMM, blank.heightMM),
                        this, [this] { addLabel(Templates::blank()); });
        menu->addSeparator();
        for (const LabelDocument& starter : Templates::starters()) {
            menu->addAction(starter.name, this, [this, starter] { addLabel(starter); });
        }
        menu->addSeparator();
        menu->addAction(QStringLiteral("Import Label File…"), this, &MainWindow::chooseLabelFile);
    });
    m_newLabelButton = new QToolButton(toolBar);
    m_newLabelButton->setIcon(Icons::icon(u"plus"));
    m_newLabelButton->setText(QStringLiteral("New Label"));
    m_newLabelButton->setToolTip(QStringLiteral("New label"));
    m_newLabelButton->setAccessibleName(m_newLabelButton->text());
    m_newLabelButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_newLabelButton->setPopupMode(QToolButton::InstantPopup);
    m_newLabelButton->setMenu(menu);
    toolBar->addWidget(m_newLabelButton);
}

QWidget* MainWindow::buildSidebar() {
    auto* sidebar = new QWidget(this);
    sidebar->setObjectName(QStringLiteral("sidebar"));
    sidebar->setFixedWidth(sidebarWidth);
    auto* layout = new QVBoxLayout(sidebar);
    layout->setContentsMargins(10, 10, 10, 10);

    auto* title = new QLabel(QStringLiteral("Labels"), sidebar);
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    layout->addWidget(title);

    m_search = new QLineEdit(sidebar);
    m_search->setObjectName(QStringLiteral("search"));
    m_search->setPlaceholderText(QStringLiteral("Search labels"));
    m_search->setAccessibleName(QStringLiteral("Search"));
    m_search->addAction(Icons::icon(u"magnifyingglass"), QLineEdit::LeadingPosition);
    QAction* clear =
        m_search->addAction(Icons::icon(u"xmark.circle.fill"), QLineEdit::TrailingPosition);
    clear->setText(QStringLiteral("Clear search"));
    clear->setVisible(false);
    connect(clear, &QAction::triggered, m_search, &QLineEdit::clear);
    connect(m_search, &QLineEdit::textChanged, this, [this, clear](const QString& text) {
        clear->setVisible(!text.isEmpty());
        m_filter->setSearch(text);
        syncList();
    });
    layout->addWidget(m_search);

    m_labels = new LabelListModel(&m_services.store(), this);
    m_labels->setUnit(MeasureUnit::load(m_services.settings()));
    connect(&m_services.settings(), &SettingsStore::changed, this, [this](const QString& key) {
        if (key == MeasureUnit::storageKey()) {
            m_labels->setUnit(MeasureUnit::load(m_services.settings()));
        }
    });
    m_filter = new LabelFilterModel(this);
    m_filter->setSourceModel(m_labels);

    m_list = new QListView(sidebar);
    m_list->setObjectName(QStringLiteral("labelList"));
    m_list->setAccessibleName(QStringLiteral("Labels"));
    m_list->setModel(m_filter);
    m_list->setItemDelegate(new LabelRowDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setFrameShape(QFrame::NoFrame);
    // The rows sit on the sidebar itself, as in a source list.
    m_list->setStyleSheet(QStringLiteral("QListView { background: transparent; }"));
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (!m_syncingList && current.isValid()) {
                    select(current.data(LabelListModel::IdRole).toUuid());
                }
            });
    connect(m_list, &QListView::customContextMenuRequested, this, &MainWindow::showRowMenu);
    connect(m_filter, &QAbstractItemModel::rowsInserted, this, &MainWindow::syncList);
    connect(m_filter, &QAbstractItemModel::rowsRemoved, this, &MainWindow::syncList);
    connect(m_filter, &QAbstractItemModel::rowsMoved, this, &MainWindow::syncList);
    connect(m_filter, &QAbstractItemModel::modelReset, this, &MainWindow::syncList);
    connect(m_filter, &QAbstractItemModel::layoutChanged, this, &MainWindow::syncList);
    layout->addWidget(m_list, 1);

    m_listEmpty = new QLabel(sidebar);
    m_listEmpty->setObjectName(QStringLiteral("listEmpty"));
    m_listEmpty->setStyleSheet(secondaryStyle());
    m_listEmpty->setWordWrap(true);
    m_listEmpty->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_listEmpty, 1);
    syncList();
    return sidebar;
}

void MainWindow::syncList() {
    const bool empty = m_filter->rowCount() == 0;
    m_list->setVisible(!empty);
    m_listEmpty->setVisible(empty);
    m_listEmpty->setText(m_search->text().isEmpty()
                             ? QStringLiteral("No labels yet. Press + to make one.")
                             : QStringLiteral("No matches."));

    // The list shows the selected label when the search keeps it.
    const QModelIndex source = m_selectedID ? m_labels->indexOf(*m_selectedID) : QModelIndex();
    const QModelIndex row = m_filter->mapFromSource(source);
    if (row == m_list->selectionModel()->currentIndex() &&
        m_list->selectionModel()->isSelected(row) == row.isValid()) {
        return;
    }
    m_syncingList = true;
    if (row.isValid()) {
        m_list->selectionModel()->setCurrentIndex(row, QItemSelectionModel::ClearAndSelect);
        m_list->scrollTo(row);
    } else {
        m_list->selectionModel()->clear();
    }
    m_syncingList = false;
}

void MainWindow::showRowMenu(const QPoint& position) {
    const QModelIndex row = m_list->indexAt(position);
    if (!row.isValid()) {
        return;
    }
    const QUuid id = row.data(LabelListModel::IdRole).toUuid();
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("rowMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(Icons::icon(u"printer"), QStringLiteral("Print…"), this, [this, id] {
        PrintRequest request;
        request.labelID = id;
        showPrintSheet(request);
    });
    menu->addAction(Icons::icon(u"plus.square.on.square"), QStringLiteral("Duplicate"), this,
                    [this, id] {
                        const std::optional<LabelDocument> copy = m_services.store().duplicate(id);
                        select(copy ? std::optional(copy->id) : std::nullopt);
                    });
    menu->addAction(QStringLiteral("Show in File Manager"), this,
                    [this, id] { FileManager::reveal(m_services.store().url(id)); });
    menu->addSeparator();
    menu->addAction(Icons::icon(u"trash"), QStringLiteral("Delete"), this,
                    [this, id] { deleteLabel(id); });
    menu->popup(m_list->viewport()->mapToGlobal(position));
}

void MainWindow::deleteLabel(const QUuid& id) {
    LabelStore& store = m_services.store();
    store.remove(id);
    if (m_selectedID == id) {
        select(store.labels().isEmpty() ? std::nullopt : std::optional(store.labels().first().id));
    }
}

QWidget* MainWindow::buildEmptyState() {
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("emptyState"));
    auto* layout = new QVBoxLayout(panel);
    layout->addStretch(1);
    auto* icon = new QLabel(panel);
    icon->setPixmap(Icons::icon(u"tag").pixmap(48, 48));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    auto* title = new QLabel(QStringLiteral("Select a label"), panel);
    QFont font = title->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    font.setBold(true);
    title->setFont(font);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    auto* text = new QLabel(
        QStringLiteral("Choose a label on the left, or press Ctrl+N to make one."), panel);
    text->setStyleSheet(secondaryStyle());
    text->setAlignment(Qt::AlignCenter);
    layout->addWidget(text);
    layout->addStretch(1);
    return panel;
}

void MainWindow::setDetailFactory(DetailFactory factory) {
    m_detailFactory = std::move(factory);
    rebuildDetail();
}

void MainWindow::select(const std::optional<QUuid>& id) {
    if (id == m_selectedID) {
        return;
    }
    m_selectedID = id;
    syncList();
    rebuildDetail();
    Q_EMIT selectionChanged();
}

void MainWindow::rebuildDetail() {
    if (m_detail) {
        m_detailStack->removeWidget(m_detail);
        delete m_detail;
        m_detail = nullptr;
    }
    if (m_selectedID && m_services.store().label(*m_selectedID) && m_detailFactory) {
        m_detail = m_detailFactory(*m_selectedID, *this);
    }
    if (m_detail) {
        m_detailStack->addWidget(m_detail);
        m_detailStack->setCurrentWidget(m_detail);
        // A detail with a tool bar of its own shows it beside the window's, on one line.
        if (auto* bar = m_detail->findChild<QToolBar*>(QStringLiteral("detailToolBar"))) {
            addToolBar(Qt::TopToolBarArea, bar);
        }
        // The window is titled after what the detail shows.
        connect(m_detail, &QWidget::windowTitleChanged, this, &MainWindow::refreshTitle);
    } else {
        m_detailStack->setCurrentWidget(m_emptyState);
    }
    refreshTitle();
}

void MainWindow::refreshTitle() {
    const QString title = m_detail ? m_detail->windowTitle() : QString();
    setWindowTitle(title.isEmpty() ? QStringLiteral("Vantrel") : title);
}

void MainWindow::addLabel(const LabelDocument& source) {
    LabelDocument copy = source;
    copy.id = QUuid::createUuid();
    for (LabelElement& element : copy.elements) {
        element.id = QUuid::createUuid();
    }
    if (m_services.store().save(copy)) {
        select(copy.id);
    } else if (const auto& error = m_services.store().lastError()) {
        showError(*error);
    }
}

void MainWindow::chooseLabelFile() {
    auto* dialog = new QFileDialog(this, QStringLiteral("Import Label File"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setNameFilters(
        {QStringLiteral("Label files (*.vtllabel *.json)"), QStringLiteral("All files (*)")});
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QFileDialog::fileSelected, this, &MainWindow::importLabelFile);
    dialog->open();
}

void MainWindow::importLabelFile(const QString& path) {
    try {
        const LabelDocument imported = m_services.store().importFile(path);
        select(imported.id);
    } catch (const UserError& error) {
        showError(error.message());
    }
}

void MainWindow::showError(const QString& message) {
    auto* alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Something went wrong"),
                                  message, QMessageBox::Ok, this);
    alert->setObjectName(QStringLiteral("errorAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    alert->open();
}

void MainWindow::openURL(const QString& text) {
    const QUrl url(text);
    if (url.isLocalFile()) {
        try {
            const LabelDocument imported = m_services.store().importFile(url.toLocalFile());
            select(imported.id);
        } catch (const UserError&) {
            // Files handed over by other programs fail silently; the user did not pick them here.
        }
        return;
    }
    LabelStore& store = m_services.store();
    const auto request = PrintRequest::fromURL(
        text, [&store](const QString& name) { return store.labelNamed(name); });
    if (request) {
        select(request->labelID);
        showPrintSheet(*request);
    }
}

PrintSheet* MainWindow::printSheet() const {
    return m_printSheet;
}

void MainWindow::showPrintSheet(const PrintRequest& request) {
    LabelStore& store = m_services.store();
    const std::optional<LabelDocument> document = store.label(request.labelID);
    if (!document) {
        return;
    }
    openPrintSheet(*document, store.table(*document), {}, request.copies, request.fields);
}

void MainWindow::openPrintSheet(const LabelDocument& document,
                                const std::optional<DataTable>& table,
                                const QSet<qsizetype>& selectedRows, qint64 copies,
                                const MergeFields& fields) {
    if (m_printSheet) {
        m_printSheet->close();
    }
    m_printSheet =
        new PrintSheet(m_services.printers(), document, table, selectedRows, copies, fields, this);
    m_printSheet->setAttribute(Qt::WA_DeleteOnClose);
    m_printSheet->open();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    m_saveOnQuit.flushAll();
    QMainWindow::closeEvent(event);
}

} // namespace vantrel
