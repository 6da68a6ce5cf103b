#pragma once

#include <QWidget>

class QToolButton;

namespace vantrel {

// The capsule in the canvas area's corner: zoom out, the zoom as a percentage (which fits the
// label to the window again), zoom in. It shows a zoom and asks for changes; the editor owns
// the zoom.
class ZoomBar : public QWidget {
    Q_OBJECT
public:
    explicit ZoomBar(QWidget* parent = nullptr);

    void setZoom(double zoom);

    QToolButton* zoomOutButton() const { return m_out; }
    QToolButton* fitButton() const { return m_fit; }
    QToolButton* zoomInButton() const { return m_in; }

Q_SIGNALS:
    void zoomOut();
    void fit();
    void zoomIn();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QToolButton* m_out;
    QToolButton* m_fit;
    QToolButton* m_in;
};

} // namespace vantrel
