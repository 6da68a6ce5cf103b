#pragma once

#include <QPointF>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class QMimeData;

namespace vantrel {

struct LabelDocument;

// Where a list column dragged over the canvas may land: on a text, barcode or QR item (the
// topmost item under the pointer, with the canvas's 1 mm margin), and only when the dragged
// text is a column payload. While a drag hovers, target() is the item it would land on.
class ColumnDropDelegate {
public:
    // The item a drop at a point (canvas points) would fill, if any.
    using ElementAt = std::function<std::optional<QUuid>(QPointF)>;
    using Drop = std::function<void(const QUuid& element, const QString& column)>;

    ColumnDropDelegate(ElementAt elementAt, Drop onDrop)
        : m_elementAt(std::move(elementAt)), m_onDrop(std::move(onDrop)) {}

    // The items that take a column: text, barcode and QR, hit as the canvas hits items.
    static std::optional<QUuid> columnTarget(const LabelDocument& document, QPointF mm);

    // A drag moved over the canvas: true (copy) when it would land on an item, false
    // (forbidden) otherwise.
    bool dropUpdated(QPointF point, const QMimeData& data);
    void dropExited() { m_target.reset(); }
    // Calls onDrop with the item and the column, and reports whether the drop was taken.
    bool performDrop(QPointF point, const QMimeData& data);

    const std::optional<QUuid>& target() const { return m_target; }

private:
    std::optional<QUuid> landing(QPointF point, const QMimeData& data) const;

    ElementAt m_elementAt;
    Drop m_onDrop;
    std::optional<QUuid> m_target;
};

} // namespace vantrel
