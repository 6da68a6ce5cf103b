#include "LabelKit/edit/CanvasGesture.h"

#include "LabelKit/edit/CanvasGeometry.h"
#include "LabelKit/edit/EditSession.h"

#include <QLineF>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

double quarter(double mm) {
    return std::round(mm * 4) / 4;
}

} // namespace

QPointF CanvasGesture::movedPosition(QPointF start, QPointF translationMM, QSizeF size,
                                     QSizeF labelMM) {
    double x = quarter(start.x() + translationMM.x());
    x = std::min(std::max(x, 1 - size.width()), labelMM.width() - 1);
    double y = quarter(start.y() + translationMM.y());
    y = std::min(std::max(y, 1 - size.height()), labelMM.height() - 1);
    return {x, y};
}

QSizeF CanvasGesture::resizedSize(QSizeF start, QPointF translationMM, ElementKind kind) {
    const double w = std::max(quarter(start.width() + translationMM.x()), 1.0);
    const double h = std::max(quarter(start.height() + translationMM.y()),
                              kind == ElementKind::line ? 0.25 : 1.0);
    if (kind == ElementKind::qr) {
        const double side = std::max(w, h);
        return {side, side};
    }
    return {w, h};
}

void CanvasGesture::press(QPointF point, double scale) {
    cancel();
    m_pressPoint = point;
    m_scale = scale > 0 ? scale : 1;
    const LabelElement* selected = m_session.selectedElement();
    if (selected && !selected->locked) {
        if (CanvasGeometry::handleArea(*selected, m_scale).contains(point)) {
            begin(Kind::resizing, selected->id, QPointF(selected->width, selected->height));
            return;
        }
    }
    m_kind = Kind::pending;
}

void CanvasGesture::begin(Kind kind, const QUuid& element, QPointF origin) {
    m_session.endGesture(); // nothing before this gesture merges into it
    m_kind = kind;
    m_element = element;
    m_origin = origin;
}

void CanvasGesture::move(QPointF point) {
    if (m_kind == Kind::pending) {
        if (QLineF(m_pressPoint, point).length() < moveThreshold) {
            return;
        }
        const std::optional<QUuid> hit =
            CanvasGeometry::hit(m_session.document(), m_pressPoint / m_scale);
        const LabelElement* element = hit ? m_session.document().element(*hit) : nullptr;
        if (!element || element->locked) {
            m_kind = Kind::inert;
            return;
        }
        m_session.setSelection(element->id);
        begin(Kind::moving, element->id, QPointF(element->x, element->y));
    }
    const LabelElement* element = m_element ? m_session.document().element(*m_element) : nullptr;
    if (!element) {
        return; // gone meanwhile (an undo): the drag has nothing left to act on
    }
    const QPointF delta = translationMM(point);
    if (m_kind == Kind::moving) {
        const LabelDocument& document = m_session.document();
        const QPointF to = movedPosition(m_origin, delta, QSizeF(element->width, element->height),
                                         QSizeF(document.widthMM, document.heightMM));
        m_session.editElement(
            element->id, QStringLiteral("Move"),
            [&](LabelElement& e) {
                e.x = to.x();
                e.y = to.y();
            },
            QStringLiteral("move"));
    } else if (m_kind == Kind::resizing) {
        const QSizeF size = resizedSize(QSizeF(m_origin.x(), m_origin.y()), delta, element->kind);
        m_session.editElement(
            element->id, QStringLiteral("Resize"),
            [&](LabelElement& e) {
                e.width = size.width();
                e.height = size.height();
            },
            QStringLiteral("resize"));
    }
}

void CanvasGesture::release(QPointF point) {
    if (m_kind == Kind::pending) {
        m_session.setSelection(CanvasGeometry::hit(m_session.document(), point / m_scale));
    } else if (m_kind == Kind::moving || m_kind == Kind::resizing) {
        move(point);
    }
    cancel();
}

void CanvasGesture::cancel() {
    if (m_kind == Kind::moving || m_kind == Kind::resizing) {
        m_session.endGesture();
    }
    m_kind = Kind::none;
    m_element.reset();
}

} // namespace vantrel
