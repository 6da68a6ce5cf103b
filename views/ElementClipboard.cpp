#include "views/ElementClipboard.h"

#include "LabelKit/model/LabelFile.h"

#include <QClipboard>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMimeData>

namespace vantrel::ElementClipboard {

namespace {

constexpr QLatin1StringView elementsKey("elements");

} // namespace

QMimeData* mimeData(const LabelElement& element) {
    // The label file writes items only inside a label: write a label holding this one item
    // and lift the item's object out of it.
    LabelDocument holder;
    holder.elements = {element};
    QByteArray file;
    try {
        file = LabelFile::encode(holder);
    } catch (const UserError&) {
        return nullptr;
    }
    const QJsonObject item =
        QJsonDocument::fromJson(file).object().value(elementsKey).toArray().first().toObject();
    auto* data = new QMimeData();
    data->setData(mimeType, QJsonDocument(item).toJson(QJsonDocument::Compact));
    if (!element.content.isEmpty()) {
        data->setText(element.content);
    }
    return data;
}

std::optional<LabelElement> element(const QMimeData* data) {
    if (!data || !data->hasFormat(mimeType)) {
        return std::nullopt;
    }
    const QJsonDocument json = QJsonDocument::fromJson(data->data(mimeType));
    if (!json.isObject()) {
        return std::nullopt;
    }
    QJsonObject holder;
    holder.insert(elementsKey, QJsonArray{json.object()});
    try {
        const LabelDocument document =
            LabelFile::decode(QJsonDocument(holder).toJson(QJsonDocument::Compact));
        if (document.elements.size() == 1) {
            return document.elements.first();
        }
    } catch (const UserError&) {
    }
    return std::nullopt;
}

bool copy(const LabelElement& item, QClipboard* clipboard) {
    QMimeData* data = mimeData(item);
    if (!data || !clipboard) {
        delete data;
        return false;
    }
    clipboard->setMimeData(data);
    return true;
}

std::optional<LabelElement> paste(const QClipboard* clipboard) {
    return clipboard ? element(clipboard->mimeData()) : std::nullopt;
}

bool canPaste(const QClipboard* clipboard) {
    return clipboard && clipboard->mimeData() && clipboard->mimeData()->hasFormat(mimeType);
}

} // namespace vantrel::ElementClipboard
