#pragma once

#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/render/RenderedLabel.h"

#include <QImage>
#include <QString>

// Labels holding one barcode or QR element, rendered in the printed look.
namespace labels {

inline LabelElement barcode(Symbology symbology, const QString& content, double widthMM,
                            double heightMM, bool showText = true, qint64 rotation = 0) {
    LabelElement element(ElementKind::barcode);
    element.symbology = symbology;
    element.content = content;
    element.width = widthMM;
    element.height = heightMM;
    element.showText = showText;
    element.rotation = rotation;
    return element;
}

inline LabelElement qr(const QString& content, double widthMM, double heightMM,
                       qint64 rotation = 0) {
    LabelElement element(ElementKind::qr);
    element.content = content;
    element.width = widthMM;
    element.height = heightMM;
    element.rotation = rotation;
    return element;
}

// The element placed at (x, y) mm on a label that leaves `margin` mm around it.
inline RenderedLabel render(LabelElement element, double margin = 2, double x = 2, double y = 2) {
    element.x = x;
    element.y = y;
    LabelDocument document(QStringLiteral("test"), x + element.width + margin,
                           y + element.height + margin, {element});
    return LabelRenderer::render(document, LabelContext::preview(), 1, true);
}

inline QImage image(const RenderedLabel& label) {
    return label.image().copy();
}

} // namespace labels
