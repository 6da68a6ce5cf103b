#include "app/LabelEditor.h"

#include "app/CommandHub.h"
#include "app/InspectorColumn.h"
#include "app/ListPanelHost.h"
#include "app/Services.h"
#include "views/ElementClipboard.h"
#include "views/Icons.h"
#include "views/LabelCanvas.h"
#include "views/PrinterStatusLabel.h"
#include "views/ZoomBar.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/edit/Zoom.h"
#include "LabelKit/model/MeasureUnit.h"
#include "LabelKit/platform/SettingsStore.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

constexpr int padding = 30;
constexpr int zoomBarInset = 10;
// Canvases larger than this (points per side) are cut off: beyond it window systems misbehave.
constexpr int maxCanvasSide = 30000;

// The scroll area's content: the canvas with its padding, never smaller than the visible area.
// A click beside the label clears the selection, as a click on empty paper does.
class CanvasHost : public QWidget {
public:
    CanvasHost(EditSession& session, QWidget* parent) : QWidget(parent), m_session(session) {}

    LabelCanvas* canvas = nullptr;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            m_session.setSelection(std::nullopt);
            canvas->setFocus(Qt::MouseFocusReason);
        }
    }

private:
    EditSession& m_session;
};

void nameForAssistiveTechnology(QToolBar* bar, QAction* action) {
    if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action))) {
        button->setAccessibleName(action->text());
        button->setAccessibleDescription(action->toolTip());
    }
}

} // namespace

LabelEditor::LabelEditor(const QUuid& labelID, Services& services, CommandHub& hub,
                         SaveOnQuit& saveOnQuit, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_session(new EditSession(&services.store(), labelID, this)) {
    setObjectName(QStringLiteral("labelEditor"));
    m_flush = saveOnQuit.add([this] { m_session->saveNow(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_toolBar = buildToolBar(services);
    layout->addWidget(m_toolBar);

    auto* row = new QHBoxLayout();
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_split = new QSplitter(Qt::Vertical, this);
    m_split->setChildrenCollapsible(false);
    m_split->addWidget(buildCanvasArea(services));
    m_listPanel = new ListPanelHost(*m_session, m_split);
    m_split->addWidget(m_listPanel);
    m_split->setStretchFactor(0, 1);
    m_split->setStretchFactor(1, 0);
    row->addWidget(m_split, 1);
    m_inspector = new InspectorColumn(*m_session, services.settings(), this);
    row->addWidget(m_inspector);
    layout->addLayout(row, 1);

    buildEditActions();

    connect(&hub, &CommandHub::importList, this, [this] { m_listPanel->chooseFile(); });
    connect(&hub, &CommandHub::printLabel, this, &LabelEditor::print);
    connect(m_session, &EditSession::documentChanged, this, [this](const auto&, bool label) {
        if (label) {
            refreshTitle();
            layoutCanvas();
        }
    });
    connect(m_session, &EditSession::loadedChanged, this, [this] {
        refreshTitle();
        layoutCanvas();
    });
    connect(&services.settings(), &SettingsStore::changed, this, [this](const QString& key) {
        if (key == MeasureUnit::storageKey()) {
            refreshTitle();
        }
    });
    refreshTitle();
}

LabelEditor::~LabelEditor() {
    m_session->saveNow();
    delete m_toolBar; // it may live in the main window's tool bar area
}

QToolBar* LabelEditor::buildToolBar(Services& services) {
    auto* bar = new QToolBar(QStringLiteral("Editor"), this);
    bar->setObjectName(QStringLiteral("detailToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->toggleViewAction()->setVisible(false);
    bar->setContextMenuPolicy(Qt::PreventContextMenu);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    auto* heading = new QWidget(bar);
    auto* headingLayout = new QVBoxLayout(heading);
    headingLayout->setContentsMargins(8, 0, 12, 0);
    headingLayout->setSpacing(0);
    m_title = new QLabel(heading);
    m_title->setObjectName(QStringLiteral("editorTitle"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_subtitle = new QLabel(heading);
    m_subtitle->setObjectName(QStringLiteral("editorSubtitle"));
    m_subtitle->setStyleSheet(QStringLiteral("color: palette(placeholder-text);"));
    QFont small = m_subtitle->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_subtitle->setFont(small);
    headingLayout->addWidget(m_title);
    headingLayout->addWidget(m_subtitle);
    bar->addWidget(heading);

    const auto spacer = [bar] {
        auto* space = new QWidget(bar);
        space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        bar->addWidget(space);
    };
    spacer();
    for (const ElementKind kind : EnumTraits<ElementKind>::cases) {
        QAction* add = bar->addAction(Icons::icon(kind), title(kind));
        add->setToolTip(QStringLiteral("Add ") + title(kind).toLower());
        nameForAssistiveTechnology(bar, add);
        connect(add, &QAction::triggered, this, [this, kind] {
            m_session->addElement(kind);
            m_canvas->setFocus(Qt::OtherFocusReason);
        });
    }
    spacer();

    m_printerStatus = new PrinterStatusLabel(services.printers(), bar);
    m_printerStatus->setToolTip(QStringLiteral("Printers: rename, set default, identify"));
    m_printerStatus->setAccessibleDescription(m_printerStatus->toolTip());
    connect(m_printerStatus, &QToolButton::clicked, this, &LabelEditor::printerSettingsRequested);
    bar->addWidget(m_printerStatus);

    QAction* printAction = bar->addAction(Icons::icon(u"printer.fill"), QStringLiteral("Print"));
    printAction->setToolTip(QStringLiteral("Print (Ctrl+P)"));
    nameForAssistiveTechnology(bar, printAction);
    connect(printAction, &QAction::triggered, this, &LabelEditor::print);

    m_inspectorToggle = bar->addAction(Icons::icon(u"sidebar.right"), QStringLiteral("Inspector"));
    m_inspectorToggle->setToolTip(QStringLiteral("Show or hide the inspector"));
    m_inspectorToggle->setCheckable(true);
    m_inspectorToggle->setChecked(true);
    nameForAssistiveTechnology(bar, m_inspectorToggle);
    connect(m_inspectorToggle, &QAction::toggled, this,
            [this](bool shown) { m_inspector->setShown(shown); });
    return bar;
}

QWidget* LabelEditor::buildCanvasArea(Services& services) {
    m_canvasArea = new QWidget(this);
    m_canvasArea->setObjectName(QStringLiteral("canvasArea"));
    m_canvasArea->setMinimumHeight(240);
    m_canvasArea->installEventFilter(this);

    m_scroll = new QScrollArea(m_canvasArea);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(false);
    m_scroll->setBackgroundRole(QPalette::Window);
    m_scroll->viewport()->installEventFilter(this);

    auto* host = new CanvasHost(*m_session, m_scroll);
    m_canvasHost = host;
    m_canvas = new LabelCanvas(*m_session, &services.settings(), host);
    host->canvas = m_canvas;
    m_scroll->setWidget(host);
    m_scroll->setFocusProxy(m_canvas);

    m_zoomBar = new ZoomBar(m_canvasArea);
    connect(m_zoomBar, &ZoomBar::zoomOut, this, [this] { setZoom(Zoom::out(m_zoom)); });
    connect(m_zoomBar, &ZoomBar::zoomIn, this, [this] { setZoom(Zoom::in(m_zoom)); });
    connect(m_zoomBar, &ZoomBar::fit, this, [this] { setZoom(1); });
    m_zoomBar->raise();
    return m_canvasArea;
}

void LabelEditor::buildEditActions() {
    QUndoStack* undo = m_session->undoStack();
    m_undo = undo->createUndoAction(this, QStringLiteral("Undo"));
    m_undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = undo->createRedoAction(this, QStringLiteral("Redo"));
    m_redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    m_editSeparator = new QAction(this);
    m_editSeparator->setSeparator(true);
    m_cut = new QAction(QStringLiteral("Cut"), this);
    m_cut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    m_copy = new QAction(QStringLiteral("Copy"), this);
    m_copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    m_paste = new QAction(QStringLiteral("Paste"), this);
    m_paste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    m_duplicate = new QAction(QStringLiteral("Duplicate"), this);
    m_duplicate->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    // Live wherever the editor is, so the keys work in its window with or without a menu.
    addActions({m_undo, m_redo, m_cut, m_copy, m_paste, m_duplicate});

    connect(m_cut, &QAction::triggered, this, &LabelEditor::cutSelection);
    connect(m_copy, &QAction::triggered, this, &LabelEditor::copySelection);
    connect(m_paste, &QAction::triggered, this, &LabelEditor::paste);
    connect(m_duplicate, &QAction::triggered, this, [this] { m_session->duplicateSelection(); });
    connect(m_session, &EditSession::selectionChanged, this, &LabelEditor::refreshEditActions);
    connect(m_session, &EditSession::documentChanged, this, &LabelEditor::refreshEditActions);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &LabelEditor::refreshEditActions);
    refreshEditActions();
}

void LabelEditor::addEditActions(QMenu* menu) {
    menu->addActions({m_undo, m_redo, m_editSeparator, m_cut, m_copy, m_paste, m_duplicate});
}

void LabelEditor::refreshEditActions() {
    const bool selected = m_session->selectedElement() != nullptr;
    m_cut->setEnabled(selected);
    m_copy->setEnabled(selected);
    m_duplicate->setEnabled(selected);
    m_paste->setEnabled(ElementClipboard::canPaste(QGuiApplication::clipboard()));
}

void LabelEditor::copySelection() {
    if (const LabelElement* selected = m_session->selectedElement()) {
        ElementClipboard::copy(*selected, QGuiApplication::clipboard());
    }
}

void LabelEditor::cutSelection() {
    const LabelElement* selected = m_session->selectedElement();
    if (!selected || !ElementClipboard::copy(*selected, QGuiApplication::clipboard())) {
        return;
    }
    const QUuid id = selected->id;
    m_session->editDocument(QStringLiteral("Cut"), [&id](LabelDocument& document) {
        document.elements.removeIf([&id](const LabelElement& e) { return e.id == id; });
    });
}

void LabelEditor::paste() {
    if (const std::optional<LabelElement> element =
            ElementClipboard::paste(QGuiApplication::clipboard())) {
        m_session->paste(*element);
        m_canvas->setFocus(Qt::OtherFocusReason);
    }
}

void LabelEditor::print() {
    if (m_session->loaded()) {
        m_session->saveNow();
    }
    Q_EMIT printRequested();
}

void LabelEditor::setZoom(double zoom) {
    zoom = std::clamp(zoom, Zoom::minimum, Zoom::maximum);
    if (zoom == m_zoom) {
        return;
    }
    m_zoom = zoom;
    m_zoomBar->setZoom(zoom);
    layoutCanvas();
}

void LabelEditor::refreshTitle() {
    const LabelDocument& document = m_session->document();
    const MeasureUnit unit = MeasureUnit::load(m_services.settings());
    setWindowTitle(document.name);
    m_title->setText(document.name);
    m_subtitle->setText(unit.sizeText(document.widthMM, document.heightMM));
}

void LabelEditor::layoutCanvas() {
    const LabelDocument& document = m_session->document();
    const QSizeF label(document.widthMM, document.heightMM);
    m_scale = Zoom::scale(QSizeF(m_scroll->maximumViewportSize()), label, m_zoom);
    const QSizeF frame = CanvasGeometry::frameFor(m_scale, label);
    const QSize canvas(std::clamp(int(std::ceil(frame.width())), 1, maxCanvasSide),
                       std::clamp(int(std::ceil(frame.height())), 1, maxCanvasSide));
    const QSize visible = m_scroll->viewport()->size();
    const QSize host(std::max(canvas.width() + 2 * padding, visible.width()),
                     std::max(canvas.height() + 2 * padding, visible.height()));
    m_canvasHost->resize(host);
    m_canvas->setGeometry(
        QRect(QPoint((host.width() - canvas.width()) / 2, (host.height() - canvas.height()) / 2),
              canvas));
}

bool LabelEditor::eventFilter(QObject* watched, QEvent* event) {
    if (!m_scroll || !m_zoomBar) {
        return QWidget::eventFilter(watched, event); // still being built
    }
    if (watched == m_canvasArea && event->type() == QEvent::Resize) {
        m_scroll->setGeometry(m_canvasArea->rect());
        m_zoomBar->adjustSize();
        m_zoomBar->move(m_canvasArea->width() - m_zoomBar->width() - zoomBarInset,
                        m_canvasArea->height() - m_zoomBar->height() - zoomBarInset);
    } else if (watched == m_scroll->viewport() && event->type() == QEvent::Resize) {
        layoutCanvas();
    } else if (watched == m_scroll->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int notches = wheel->angleDelta().y() / 120;
            if (notches != 0) {
                setZoom(notches > 0 ? Zoom::in(m_zoom) : Zoom::out(m_zoom));
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void LabelEditor::showEvent(QShowEvent* event) {
    m_session->load();
    if (!m_splitPlaced) {
        // The list panel starts at its preferred height; the canvas takes the rest.
        m_splitPlaced = true;
        const int total = m_split->height();
        const int list = std::min(230, std::max(total - 240, 110));
        m_split->setSizes({total - list, list});
    }
    QWidget::showEvent(event);
}

} // namespace vantrel
