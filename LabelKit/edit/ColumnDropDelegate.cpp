#include "LabelKit/edit/ColumnDropDelegate.h"

#include "LabelKit/edit/CanvasGeometry.h"
#include "LabelKit/edit/ColumnDrag.h"

#include <QMimeData>

namespace vantrel {

std::optional<QUuid> ColumnDropDelegate::columnTarget(const LabelDocument& document, QPointF mm) {
    const std::optional<QUuid> id = CanvasGeometry::hit(document, mm);
    const LabelElement* element = id ? document.element(*id) : nullptr;
    if (!element || !(element->kind == ElementKind::text || element->kind == ElementKind::barcode ||
                      element->kind == ElementKind::qr)) {
        return std::nullopt;
    }
    return id;
}

std::optional<QUuid> ColumnDropDelegate::landing(QPointF point, const QMimeData& data) const {
    if (!data.hasText() || !ColumnDrag::column(data.text())) {
        return std::nullopt;
    }
    return m_elementAt(point);
}

bool ColumnDropDelegate::dropUpdated(QPointF point, const QMimeData& data) {
    m_target = landing(point, data);
    return m_target.has_value();
}

bool ColumnDropDelegate::performDrop(QPointF point, const QMimeData& data) {
    const std::optional<QUuid> id = landing(point, data);
    m_target.reset();
    if (!id) {
        return false;
    }
    if (m_onDrop) {
        m_onDrop(*id, *ColumnDrag::column(data.text()));
    }
    return true;
}

} // namespace vantrel
