#include "views/LabelPreview.h"

#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/render/LabelRenderer.h"

#include <QPainter>

#include <cmath>

namespace vantrel {

LabelPreview::LabelPreview(LabelDocument document, LabelContext context, int detail,
                           SettingsStore* settings, QWidget* parent)
    : QWidget(parent)
    , m_document(std::move(document))
    , m_context(std::move(context))
    , m_detail(std::max(detail, 1)) {
    if (settings) {
        m_showDots = settings->boolean(showDotsKey()).value_or(false);
        connect(settings, &SettingsStore::changed, this, [this, settings](const QString& key) {
            if (key == showDotsKey()) {
                const bool showDots = settings->boolean(showDotsKey()).value_or(false);
                if (showDots != m_showDots) {
                    m_showDots = showDots;
                    invalidate();
                }
            }
        });
    }
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void LabelPreview::setDocument(const LabelDocument& document) {
    if (document != m_document) {
        const double before = aspectRatio();
        m_document = document;
        invalidate();
        if (aspectRatio() != before) {
            updateGeometry();
        }
    }
}

void LabelPreview::setContext(const LabelContext& context) {
    if (context != m_context) {
        m_context = context;
        invalidate();
    }
}

void LabelPreview::setMaximumPictureHeight(int height) {
    m_maximumPictureHeight = height;
    updateGeometry();
}

void LabelPreview::invalidate() {
    m_rendered = false;
    m_image = QImage();
    update();
}

double LabelPreview::aspectRatio() const {
    const double ratio = m_document.widthMM / m_document.heightMM;
    return std::isfinite(ratio) && ratio > 0 ? ratio : 4.0 / 3.0;
}

QImage LabelPreview::render(const LabelDocument& document, const LabelContext& context, int detail,
                            bool showDots) {
    try {
        const RenderedLabel raster =
            LabelRenderer::render(document, context, showDots ? 1 : detail, showDots);
        return raster.image();
    } catch (const UserError&) {
        return {};
    }
}

void LabelPreview::paint(QPainter& painter, const QRectF& frame, const QImage& image,
                         double aspectRatio, bool showDots) {
    QSizeF size(frame.width(), frame.width() / aspectRatio);
    if (size.height() > frame.height()) {
        size = QSizeF(frame.height() * aspectRatio, frame.height());
    }
    const QRectF target(frame.center() - QPointF(size.width() / 2, size.height() / 2), size);
    painter.save();
    painter.fillRect(target, Qt::white);
    if (!image.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, !showDots);
        painter.setRenderHint(QPainter::Antialiasing, !showDots);
        painter.drawImage(target, image);
    }
    painter.restore();
}

const QImage& LabelPreview::image() {
    if (!m_rendered) {
        m_image = render(m_document, m_context, m_detail, m_showDots);
        m_rendered = true;
    }
    return m_image;
}

QSize LabelPreview::sizeHint() const {
    const int height = m_maximumPictureHeight == QWIDGETSIZE_MAX ? 180 : m_maximumPictureHeight;
    return QSize(int(std::lround(height * aspectRatio())), height);
}

int LabelPreview::heightForWidth(int width) const {
    return std::min(m_maximumPictureHeight, int(std::lround(width / aspectRatio())));
}

void LabelPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QRectF(rect()), image(), aspectRatio(), m_showDots);
}

} // namespace vantrel
