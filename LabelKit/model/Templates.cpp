#include "LabelKit/model/Templates.h"

namespace vantrel {

namespace {

LabelElement text(const QString& content, double x, double y, double width, double height,
                  double fontSize, bool bold = false, TextAlign align = TextAlign::left,
                  bool shrinkToFit = false) {
    LabelElement e(ElementKind::text);
    e.content = content;
    e.x = x;
    e.y = y;
    e.width = width;
    e.height = height;
    e.fontSize = fontSize;
    e.bold = bold;
    e.align = align;
    e.shrinkToFit = shrinkToFit;
    return e;
}

LabelElement item(ElementKind kind, const QString& content, double x, double y, double width,
                  double height) {
    LabelElement e(kind);
    e.content = content;
    e.x = x;
    e.y = y;
    e.width = width;
    e.height = height;
    return e;
}

LabelDocument design(const QString& name, QList<LabelElement> elements) {
    return LabelDocument(name, 40, 30, std::move(elements));
}

} // namespace

LabelDocument Templates::blank() {
    return design(QStringLiteral("New label"), {});
}

LabelDocument Templates::binTag() {
    return design(
        QStringLiteral("Bin tag"),
        {
            text(QStringLiteral("BIN A-12"), 2, 1.5, 36, 9, 20, true, TextAlign::center, true),
            item(ElementKind::barcode, QStringLiteral("A-12"), 2, 12, 36, 15),
        });
}

LabelDocument Templates::skuTag() {
    LabelElement barcode = item(ElementKind::barcode, QStringLiteral("SKU-{serial}"), 2, 20, 36, 9);
    barcode.showText = false;
    return design(
        QStringLiteral("SKU tag"),
        {
            text(QStringLiteral("Item name"), 2, 2, 21, 12, 11, true, TextAlign::left, true),
            text(QStringLiteral("SKU {serial}"), 2, 15, 21, 5, 9),
            item(ElementKind::qr, QStringLiteral("SKU-{serial}"), 24, 2, 14, 14),
            barcode,
        });
}

LabelDocument Templates::dated() {
    return design(
        QStringLiteral("Dated label"),
        {
            text(QStringLiteral("Product name"), 2, 1.5, 36, 6, 12, true, TextAlign::left, true),
            text(QStringLiteral("Notes, origin, tasting notes or anything else. Text wraps "
                                "inside the box."),
                 2, 8, 36, 15, 7, false, TextAlign::left, true),
            text(QStringLiteral("Packed {date}"), 2, 24, 36, 4.5, 8),
        });
}

LabelDocument Templates::plainText() {
    return design(QStringLiteral("Big text"),
                  {text(QStringLiteral("Text"), 2, 2, 36, 26, 28, true, TextAlign::center, true)});
}

QList<LabelDocument> Templates::starters() {
    return {binTag(), skuTag(), dated(), plainText()};
}

LabelDocument Templates::identify(const QString& nickname, const QString& advertisedName) {
    return design(QStringLiteral("Identify"),
                  {
                      text(nickname, 2, 2, 36, 14, 22, true, TextAlign::center, true),
                      text(advertisedName, 2, 17, 36, 5, 10, false, TextAlign::center),
                      text(QStringLiteral("{date:MMM d, yyyy h:mm a}"), 2, 23, 36, 4, 7, false,
                           TextAlign::center),
                  });
}

} // namespace vantrel
