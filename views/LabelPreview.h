#pragma once

#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"

#include <QImage>
#include <QWidget>

namespace vantrel {

class SettingsStore;

// The rendered picture of a label, not interactive: on screen in smooth mode at `detail`
// raster pixels per printer dot, or with "Show printer dots" the exact print at one pixel per
// dot, scaled without smoothing so that every dot shows as a crisp square. It follows that
// setting at once, like every other preview. The picture keeps the label's aspect ratio and is
// centred in the widget; a label that cannot be rendered shows plain white.
class LabelPreview : public QWidget {
    Q_OBJECT
public:
    // The settings key of "Show printer dots" (a boolean, false when absent).
    static QString showDotsKey() { return QStringLiteral("preview.showPrinterDots"); }

    // The settings may be null: the preview then stays smooth.
    LabelPreview(LabelDocument document, LabelContext context, int detail, SettingsStore* settings,
                 QWidget* parent = nullptr);

    const LabelDocument& document() const { return m_document; }
    void setDocument(const LabelDocument& document);
    const LabelContext& context() const { return m_context; }
    void setContext(const LabelContext& context);
    int detail() const { return m_detail; }
    bool showDots() const { return m_showDots; }
    // The most the preview grows to in height; the width follows the label's aspect ratio.
    void setMaximumPictureHeight(int height);

    // The grey picture of the label: exact at scale 1 with dots, else smooth at `detail`.
    // A null image when the label cannot be rendered.
    static QImage render(const LabelDocument& document, const LabelContext& context, int detail,
                         bool showDots);
    // Draws the picture into the rectangle, centred with the label's aspect ratio, on white.
    static void paint(QPainter& painter, const QRectF& frame, const QImage& image,
                      double aspectRatio, bool showDots);

    // The current picture, rendered on demand.
    const QImage& image();

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void invalidate();
    double aspectRatio() const;

    LabelDocument m_document;
    LabelContext m_context;
    int m_detail;
    bool m_showDots = false;
    int m_maximumPictureHeight = QWIDGETSIZE_MAX;
    QImage m_image;
    bool m_rendered = false;
};

} // namespace vantrel
