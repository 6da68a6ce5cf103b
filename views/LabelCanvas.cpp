#include "views/LabelCanvas.h"

#include "views/LabelPreview.h"
#include "views/MMRuler.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/platform/SettingsStore.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace vantrel {

namespace {

constexpr double paperRadius = 3;
constexpr double shadowRadius = 10;
constexpr double shadowOpacity = 0.12;

QSizeF labelSize(const LabelDocument& document) {
    return {document.widthMM, document.heightMM};
}

} // namespace

LabelCanvas::LabelCanvas(EditSession& session, SettingsStore* settings, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_settings(settings)
    , m_gesture(session)
    , m_drop(
          [this](QPointF point) {
              return ColumnDropDelegate::columnTarget(m_session.document(), labelPoint(point));
          },
          [this](const QUuid& element, const QString& column) {
              m_session.setSelection(element);
              m_session.dropColumn(element, column);
          })
    , m_topRuler(new MMRuler(false, this))
    , m_leftRuler(new MMRuler(true, this))
    , m_settle(new QTimer(this)) {
    setObjectName(QStringLiteral("labelCanvas"));
    setAccessibleName(QStringLiteral("Label canvas"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent, false);

    if (m_settings) {
        m_unit = MeasureUnit::load(*m_settings);
        m_showDots = m_settings->boolean(LabelPreview::showDotsKey()).value_or(false);
        connect(m_settings, &SettingsStore::changed, this, [this](const QString& key) {
            if (key == MeasureUnit::storageKey()) {
                m_unit = MeasureUnit::load(*m_settings);
                layoutRulers();
                update(geometry().corner.toAlignedRect());
            } else if (key == LabelPreview::showDotsKey()) {
                m_showDots = m_settings->boolean(LabelPreview::showDotsKey()).value_or(false);
                update();
            }
        });
    }
    const auto refresh = [this] {
        layoutRulers();
        update();
    };
    m_settle->setSingleShot(true);
    m_settle->setInterval(250);
    connect(m_settle, &QTimer::timeout, this, [this] {
        m_lastEdited.reset();
        if (m_burstItem) {
            m_burstItem.reset();
            update(); // the whole label once more, drawn as one
        }
    });
    connect(&m_session, &EditSession::documentChanged, this, &LabelCanvas::documentChanged);
    connect(&m_session, &EditSession::selectionChanged, this, refresh);
    connect(&m_session, &EditSession::previewRowChanged, this, refresh);
    connect(&m_session, &EditSession::tableChanged, this, refresh);
    connect(&m_session, &EditSession::loadedChanged, this, refresh);
    layoutRulers();
}

CanvasGeometry LabelCanvas::geometry() const {
    CanvasGeometry geometry(QSizeF(size()), labelSize(m_session.document()));
    // Whole pixels for the paper, so the picture is copied, not resampled.
    geometry.paper.moveTopLeft(
        QPointF(std::round(geometry.paper.left()), std::round(geometry.paper.top())));
    geometry.topRuler.moveLeft(geometry.paper.left());
    geometry.leftRuler.moveTop(geometry.paper.top());
    return geometry;
}

QPointF LabelCanvas::canvasPoint(QPointF mm) const {
    const CanvasGeometry g = geometry();
    return g.paper.topLeft() + g.toPaper(mm);
}

QPointF LabelCanvas::labelPoint(QPointF point) const {
    const CanvasGeometry g = geometry();
    return g.toMM(point - g.paper.topLeft());
}

void LabelCanvas::documentChanged(const QSet<QUuid>& elements, bool label) {
    const std::optional<QUuid> item =
        !label && elements.size() == 1 ? std::optional(*elements.begin()) : std::nullopt;
    if (item && item == m_lastEdited && m_settle->isActive()) {
        m_burstItem = item; // the second edit of the same item in a row: a burst
    } else if (item != m_burstItem) {
        m_burstItem.reset();
    }
    m_lastEdited = item;
    m_settle->start();
    layoutRulers();
    update();
}

void LabelCanvas::layoutRulers() {
    const CanvasGeometry g = geometry();
    const LabelElement* selected = m_session.selectedElement();
    std::optional<std::pair<double, double>> across, down;
    if (selected) {
        across = std::pair(selected->x, selected->x + selected->width);
        down = std::pair(selected->y, selected->y + selected->height);
    }
    m_topRuler->setGeometry(g.topRuler.toAlignedRect());
    m_topRuler->set(g.labelMM.width(), g.scale, m_unit, across);
    m_leftRuler->setGeometry(g.leftRuler.toAlignedRect());
    m_leftRuler->set(g.labelMM.height(), g.scale, m_unit, down);
}

void LabelCanvas::resizeEvent(QResizeEvent*) {
    layoutRulers();
}

void LabelCanvas::paintShadow(QPainter& painter, const QRectF& paper) const {
    // A soft shadow one point down: gradients along the edges and around the corners, fading
    // from half the shadow's strength at the paper's edge to nothing.
    const QRectF r = paper.translated(0, 1);
    const double d = shadowRadius;
    const QColor strong(0, 0, 0, int(255 * shadowOpacity / 2));
    const QColor none(0, 0, 0, 0);
    const auto edge = [&](QRectF area, QPointF from, QPointF to) {
        QLinearGradient gradient(from, to);
        gradient.setColorAt(0, strong);
        gradient.setColorAt(1, none);
        painter.fillRect(area, gradient);
    };
    edge(QRectF(r.left(), r.top() - d, r.width(), d), QPointF(0, r.top()), QPointF(0, r.top() - d));
    edge(QRectF(r.left(), r.bottom(), r.width(), d), QPointF(0, r.bottom()),
         QPointF(0, r.bottom() + d));
    edge(QRectF(r.left() - d, r.top(), d, r.height()), QPointF(r.left(), 0),
         QPointF(r.left() - d, 0));
    edge(QRectF(r.right(), r.top(), d, r.height()), QPointF(r.right(), 0),
         QPointF(r.right() + d, 0));
    for (const QPointF corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
        QRadialGradient gradient(corner, d);
        gradient.setColorAt(0, strong);
        gradient.setColorAt(1, none);
        const double x = corner.x() == r.left() ? corner.x() - d : corner.x();
        const double y = corner.y() == r.top() ? corner.y() - d : corner.y();
        painter.fillRect(QRectF(x, y, d, d), gradient);
    }
}

void LabelCanvas::paintOutlines(QPainter& painter, const CanvasGeometry& g) const {
    const LabelDocument& document = m_session.document();
    const std::optional<QUuid>& selection = m_session.selection();
    const QColor accent = palette().color(QPalette::Highlight);
    QColor grey(128, 128, 128);
    grey.setAlphaF(0.35);
    QPen dashed(grey, 0.5);
    dashed.setDashPattern({3 / 0.5, 3 / 0.5}); // pattern units are pen widths
    QColor green(52, 199, 89);
    QColor greenFill = green;
    greenFill.setAlphaF(0.15);

    painter.setBrush(Qt::NoBrush);
    for (const LabelElement& element : document.elements) {
        const QRectF box = g.outline(element);
        if (element.id == m_drop.target()) {
            painter.setPen(QPen(green, 3));
            painter.setBrush(greenFill);
        } else if (element.id == selection) {
            painter.setPen(QPen(accent, 1.5));
            painter.setBrush(Qt::NoBrush);
        } else {
            painter.setPen(dashed);
            painter.setBrush(Qt::NoBrush);
        }
        painter.drawRect(box);
    }
    const LabelElement* selected = m_session.selectedElement();
    if (selected && !selected->locked) {
        const QPointF corner = g.handleArea(*selected).center();
        const double r = CanvasGeometry::handleDiameter / 2;
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(accent);
        painter.drawEllipse(corner, r, r);
    }
}

void LabelCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const CanvasGeometry g = geometry();
    const LabelDocument& document = m_session.document();

    painter.setPen(MMRuler::secondary(palette()));
    QFont font = this->font();
    font.setPointSizeF(8);
    font.setWeight(QFont::Medium);
    painter.setFont(font);
    painter.drawText(g.corner, Qt::AlignCenter, m_unit.symbol());

    painter.setRenderHint(QPainter::Antialiasing);
    paintShadow(painter, g.paper);
    QPainterPath paper;
    paper.addRoundedRect(g.paper, paperRadius, paperRadius);
    painter.save();
    painter.setClipRegion(QRegion(paper.toFillPolygon().toPolygon()));
    m_picture.paint(painter, g.paper, document, m_session.mergeContext(), m_showDots,
                    m_gesture.element() ? m_gesture.element() : m_burstItem);
    painter.restore();
    QColor rim(128, 128, 128);
    rim.setAlphaF(0.4);
    painter.setPen(QPen(rim, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(g.paper.adjusted(0.5, 0.5, -0.5, -0.5), paperRadius, paperRadius);

    painter.translate(g.paper.topLeft());
    paintOutlines(painter, g);
}

void LabelCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const CanvasGeometry g = geometry();
    m_gesture.press(event->position() - g.paper.topLeft(), g.scale);
    updateCursor(event->position());
}

void LabelCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton && m_gesture.kind() != CanvasGesture::Kind::none) {
        m_gesture.move(event->position() - geometry().paper.topLeft());
    } else {
        updateCursor(event->position());
    }
}

void LabelCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_gesture.kind() == CanvasGesture::Kind::none) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const bool changedPicture = m_gesture.element().has_value();
    m_gesture.release(event->position() - geometry().paper.topLeft());
    if (changedPicture) {
        update(); // the whole label again, now that no item is on the move
    }
    updateCursor(event->position());
}

void LabelCanvas::updateCursor(QPointF point) {
    const CanvasGeometry g = geometry();
    const LabelElement* selected = m_session.selectedElement();
    const bool onHandle = selected && !selected->locked &&
                          g.handleArea(*selected).contains(point - g.paper.topLeft());
    if (onHandle || m_gesture.kind() == CanvasGesture::Kind::resizing) {
        setCursor(Qt::SizeFDiagCursor);
    } else if (m_gesture.kind() == CanvasGesture::Kind::moving) {
        setCursor(Qt::ClosedHandCursor);
    } else {
        unsetCursor();
    }
}

void LabelCanvas::keyPressEvent(QKeyEvent* event) {
    if (m_session.handleKey(event->key(), event->modifiers(), event->isAutoRepeat(), m_unit)) {
        event->accept();
    } else {
        event->ignore(); // the scroll area and the window's shortcuts may want it
    }
}

void LabelCanvas::focusOutEvent(QFocusEvent* event) {
    m_session.endGesture(); // a held key that resumes later is a new step
    QWidget::focusOutEvent(event);
}

void LabelCanvas::dragEnterEvent(QDragEnterEvent* event) {
    // Text is followed so that the cursor can tell where a column may land; anything else
    // (files belong to the list panel) is not. The enter is taken even where nothing may land,
    // or no moves would follow; its action then forbids the drop.
    if (!event->mimeData()->hasText()) {
        event->ignore();
        return;
    }
    const bool lands = followDrag(event->position(), *event->mimeData());
    event->setDropAction(lands ? Qt::CopyAction : Qt::IgnoreAction);
    event->accept();
}

void LabelCanvas::dragMoveEvent(QDragMoveEvent* event) {
    if (followDrag(event->position(), *event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

bool LabelCanvas::followDrag(QPointF point, const QMimeData& data) {
    const std::optional<QUuid> before = m_drop.target();
    const bool lands = m_drop.dropUpdated(point, data);
    if (before != m_drop.target()) {
        update();
    }
    return lands;
}

void LabelCanvas::dragLeaveEvent(QDragLeaveEvent*) {
    m_drop.dropExited();
    update();
}

void LabelCanvas::dropEvent(QDropEvent* event) {
    if (m_drop.performDrop(event->position(), *event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        setFocus(Qt::OtherFocusReason);
    } else {
        event->ignore();
    }
    update();
}

} // namespace vantrel
