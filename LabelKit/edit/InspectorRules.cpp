#include "LabelKit/edit/InspectorRules.h"

#include "LabelKit/merge/Placeholders.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/render/PicturePainter.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace vantrel::InspectorRules {

QList<Section> sections(ElementKind kind) {
    QList<Section> shown;
    switch (kind) {
    case ElementKind::text:
        shown = {Section::content, Section::font};
        break;
    case ElementKind::barcode:
        shown = {Section::content, Section::barcode};
        break;
    case ElementKind::qr:
        shown = {Section::content};
        break;
    case ElementKind::line:
    case ElementKind::box:
    case ElementKind::ellipse:
        shown = {Section::shape};
        break;
    case ElementKind::image:
        shown = {Section::image};
        break;
    }
    shown << Section::position << Section::actions;
    return shown;
}

bool offersFilled(ElementKind kind) {
    return kind == ElementKind::box || kind == ElementKind::ellipse;
}

QString contentTitle(ElementKind kind) {
    return kind == ElementKind::text ? QStringLiteral("Text") : QStringLiteral("Content");
}

LengthInput heightInput(ElementKind kind) {
    return {kind == ElementKind::line ? 0.25 : 0.5, 0.25, 200};
}

std::optional<QString> linkedColumn(const QString& content, const QStringList& columns) {
    const QString trimmed = content.trimmed();
    const auto found = std::find_if(columns.cbegin(), columns.cend(), [&](const QString& column) {
        return trimmed == linkContent(column);
    });
    return found == columns.cend() ? std::nullopt : std::optional(*found);
}

QString linkContent(const std::optional<QString>& column) {
    return column ? u'{' + *column + u'}' : QString();
}

void switchSymbology(LabelElement& element, Symbology symbology) {
    const auto& all = allCases<Symbology>();
    if (std::any_of(all.begin(), all.end(),
                    [&](Symbology s) { return element.content == sample(s); })) {
        element.content = sample(symbology);
    }
    element.symbology = symbology;
}

const QList<MenuItem>& placeholderItems() {
    static const QList<MenuItem> items{
        {QStringLiteral("Today's date  {date}"), QStringLiteral("{date}")},
        {QStringLiteral("Date + 30 days  {date+30}"), QStringLiteral("{date+30}")},
        {QStringLiteral("Date as 2026-10-03  {date:yyyy-MM-dd}"),
         QStringLiteral("{date:yyyy-MM-dd}")},
        {QStringLiteral("Serial number  {serial}"), QStringLiteral("{serial}")},
        {QStringLiteral("Data field  {Field}"), QStringLiteral("{Field}")},
    };
    return items;
}

QList<MenuItem> columnItems(const QStringList& columns) {
    QList<MenuItem> items;
    for (const QString& column : columns) {
        const QString token = linkContent(column);
        items.append({token, token});
    }
    return items;
}

QString insertToken(const QString& content, const QString& token) {
    return content + token;
}

const QList<QSizeF>& stockSizes() {
    static const QList<QSizeF> sizes{{40, 30}, {50, 30}, {50, 25},
                                     {40, 20}, {50, 50}, {50.8, 25.4}};
    return sizes;
}

QString stockSizeTitle(QSizeF size, MeasureUnit unit, const QLocale& locale) {
    const MeasureUnit other = unit == MeasureUnit::mm ? MeasureUnit::inches : MeasureUnit::mm;
    return unit.sizeText(size.width(), size.height(), locale) + QStringLiteral("  (") +
           other.sizeText(size.width(), size.height(), locale) + u')';
}

BarcodeCheck barcodeCheck(const LabelElement& element, const LabelContext& context) {
    const QString content = Placeholders::resolve(element.content, context);
    if (const std::optional<QString> issue = LabelRenderer::barcodeIssue(element, content)) {
        return {*issue, true};
    }
    return {inputHint(element.symbology), false};
}

QByteArray photoData(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw UserError(QStringLiteral("“%1” could not be read: %2").arg(name, file.errorString()));
    }
    QByteArray bytes = file.readAll();
    if (PicturePainter::decode(bytes).isNull()) {
        throw UserError(
            QStringLiteral("“%1” is not a picture Vantrel can read. Choose a PNG, JPEG, GIF or BMP "
                           "file.")
                .arg(name));
    }
    return bytes;
}

} // namespace vantrel::InspectorRules
