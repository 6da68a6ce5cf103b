#pragma once

#include "views/CanvasPicture.h"

#include "LabelKit/edit/CanvasGeometry.h"
#include "LabelKit/edit/CanvasGesture.h"
#include "LabelKit/edit/ColumnDropDelegate.h"
#include "LabelKit/model/MeasureUnit.h"

#include <QTimer>
#include <QWidget>

class QMimeData;

namespace vantrel {

class EditSession;
class MMRuler;
class SettingsStore;

// The interactive picture of the label an EditSession edits: the rendered label on white
// paper, rulers along the top and left edges, an outline over every item, and the resize
// handle of the selected item. Clicks select, drags move and resize (CanvasGesture), the
// keyboard nudges and deletes while the canvas has focus, and list columns dropped on a text,
// barcode or QR item fill it. The canvas draws the label at the largest scale that fits its
// size; the editor sizes it for its zoom. It follows the unit and "Show printer dots" settings
// at once.
class LabelCanvas : public QWidget {
    Q_OBJECT
public:
    // The settings may be null: millimetres, smooth preview.
    LabelCanvas(EditSession& session, SettingsStore* settings, QWidget* parent = nullptr);

    EditSession& session() const { return m_session; }
    CanvasGeometry geometry() const;
    MeasureUnit unit() const { return m_unit; }
    const CanvasGesture& gesture() const { return m_gesture; }
    const std::optional<QUuid>& dropTarget() const { return m_drop.target(); }
    const CanvasPicture& picture() const { return m_picture; }

    // A point of the canvas (points) for a point on the label (mm), and back.
    QPointF canvasPoint(QPointF mm) const;
    QPointF labelPoint(QPointF canvasPoint) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool followDrag(QPointF point, const QMimeData& data);
    void documentChanged(const QSet<QUuid>& elements, bool label);
    void layoutRulers();
    void updateCursor(QPointF point);
    void paintShadow(QPainter& painter, const QRectF& paper) const;
    void paintOutlines(QPainter& painter, const CanvasGeometry& geometry) const;

    EditSession& m_session;
    SettingsStore* m_settings;
    MeasureUnit m_unit = MeasureUnit::mm;
    bool m_showDots = false;
    CanvasGesture m_gesture;
    ColumnDropDelegate m_drop;
    CanvasPicture m_picture;
    MMRuler* m_topRuler;
    MMRuler* m_leftRuler;
    // A burst of edits to one item (a held arrow key, typing into one field) redraws only that
    // item, like a drag, until the edits pause.
    std::optional<QUuid> m_lastEdited;
    std::optional<QUuid> m_burstItem;
    QTimer* m_settle;
};

} // namespace vantrel
