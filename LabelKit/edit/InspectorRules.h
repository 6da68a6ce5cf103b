#pragma once

#include "LabelKit/edit/LengthInput.h"
#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelElement.h"
#include "LabelKit/model/MeasureUnit.h"

#include <QByteArray>
#include <QList>
#include <QLocale>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// What the inspectors decide, without a widget: which sections an item shows, the ranges and
// steps of their fields, the list column an item is linked to, the symbology switch, the
// placeholder menu, the stock label sizes and the live barcode check.
namespace InspectorRules {

enum class Section { content, font, barcode, shape, image, position, actions };

// The sections of an item's inspector, top to bottom.
QList<Section> sections(ElementKind kind);
// Boxes and ellipses may be filled; lines may not.
bool offersFilled(ElementKind kind);
// The title of the content field: "Text" for a text item, "Content" otherwise.
QString contentTitle(ElementKind kind);

inline constexpr LengthInput positionInput{0.5, -50, 200};
inline constexpr LengthInput widthInput{0.5, 0.25, 200};
LengthInput heightInput(ElementKind kind); // a line steps by 0.25 mm
inline constexpr LengthInput strokeInput{0.25, 0.125, 5};
inline constexpr LengthInput labelWidthInput{1, 15, 54};
inline constexpr LengthInput labelHeightInput{1, 10, 200};
inline constexpr LengthInput gapInput{0.5, 0, 10};
inline constexpr double minFontSize = 4;
inline constexpr double maxFontSize = 96;
inline constexpr qint64 minDensity = 0;
inline constexpr qint64 maxDensity = 15;

// The list column the content stands for: the column whose "{name}" equals the content
// without surrounding white space; nothing when none does ("None (fixed text)").
std::optional<QString> linkedColumn(const QString& content, const QStringList& columns);
// The content that links to a column, or the empty content for none.
QString linkContent(const std::optional<QString>& column);

// Sets the symbology. A content that is still the sample of any symbology becomes the new
// symbology's sample, so it stays valid; anything else the user wrote is kept.
void switchSymbology(LabelElement& element, Symbology symbology);

struct MenuItem {
    QString title;
    QString token;
};
// The built-in placeholders of the Insert menu, in menu order.
const QList<MenuItem>& placeholderItems();
// One item per list column, titled and inserting "{column}".
QList<MenuItem> columnItems(const QStringList& columns);
// The content with the token appended at its end, nothing in between.
QString insertToken(const QString& content, const QString& token);

// The stock label sizes of the document inspector (width x height, mm), in menu order.
const QList<QSizeF>& stockSizes();
// "40 × 30 mm  (1.57 × 1.18 in)": the size in the unit, then in the other unit.
QString stockSizeTitle(QSizeF size, MeasureUnit unit, const QLocale& locale = QLocale());

// The line under a barcode's content: the problem with the expanded content, or the
// symbology's input hint when it will print.
struct BarcodeCheck {
    QString text;
    bool problem = false;
};
BarcodeCheck barcodeCheck(const LabelElement& element, const LabelContext& context);

// The bytes of a picked photo file, unchanged, for an image item's imageData. Throws UserError
// when the file cannot be read or is not a picture the renderer can draw, so nothing unusable
// is stored.
QByteArray photoData(const QString& path);

} // namespace InspectorRules

} // namespace vantrel
