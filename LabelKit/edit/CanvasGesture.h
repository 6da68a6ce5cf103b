#pragma once

#include "LabelKit/model/ElementKind.h"

#include <QPointF>
#include <QSizeF>
#include <QUuid>

#include <optional>

namespace vantrel {

class EditSession;

// The canvas's mouse as a small state machine: presses, moves and releases on the paper go in
// (points from the paper's top-left corner, at the scale of the press), commands to the session
// come out. A press on the selected item's resize handle resizes at once; any other press is a
// tap unless the pointer travels 3 points, when it moves the unlocked item under the press
// point. A drag that starts on a locked item or on nothing does nothing until released. Every
// position and size lands on quarter millimetres; one drag is one undo step.
class CanvasGesture {
public:
    enum class Kind { none, pending, moving, resizing, inert };

    static constexpr double moveThreshold = 3; // points

    explicit CanvasGesture(EditSession& session) : m_session(session) {}

    void press(QPointF point, double scale);
    void move(QPointF point);
    void release(QPointF point);
    // Ends the gesture where it is, without a tap.
    void cancel();

    Kind kind() const { return m_kind; }
    // The item being moved or resized.
    const std::optional<QUuid>& element() const { return m_element; }

    // Where a move puts an item that started at `start`: on quarter millimetres, with at least
    // 1 mm of it left on the label on every side.
    static QPointF movedPosition(QPointF start, QPointF translationMM, QSizeF size, QSizeF labelMM);
    // The size a resize gives an item that started at `start`: on quarter millimetres, at least
    // 1 mm (a line 0.25 mm high), square for a QR code, without an upper limit.
    static QSizeF resizedSize(QSizeF start, QPointF translationMM, ElementKind kind);

private:
    QPointF translationMM(QPointF point) const { return (point - m_pressPoint) / m_scale; }
    void begin(Kind kind, const QUuid& element, QPointF origin);

    EditSession& m_session;
    Kind m_kind = Kind::none;
    QPointF m_pressPoint;
    double m_scale = 1;
    std::optional<QUuid> m_element;
    QPointF m_origin; // the item's position (moving) or size (resizing) when it began
};

} // namespace vantrel
