#include "views/PrinterRow.h"

#include "LabelKit/edit/PrinterListModel.h"

namespace vantrel {

PrinterRow PrinterRow::of(const QModelIndex& index) {
    using Model = PrinterListModel;
    PrinterRow row;
    row.advertisedName = index.data(Model::NameRole).toString();
    row.displayName = index.data(Model::DisplayNameRole).toString();
    row.subtitle = index.data(Model::SubtitleRole).toString();
    row.isDefault = index.data(Model::IsDefaultRole).toBool();
    row.connected = index.data(Model::ConnectedRole).toBool();
    row.available = index.data(Model::AvailableRole).toBool();
    row.rssi = index.data(Model::RssiRole).toInt();
    return row;
}

QStringView PrinterRow::iconSymbol() const {
    return connected ? u"printer.fill" : u"printer";
}

PrinterRow::Tint PrinterRow::tint() const {
    return available ? Tint::accent : Tint::secondary;
}

QString PrinterRow::defaultActionTitle() const {
    return isDefault ? QStringLiteral("Remove as default") : QStringLiteral("Make default");
}

QString PrinterRow::nicknameFromInput(const QString& text) {
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(text[begin])) {
        ++begin;
    }
    while (end > begin && blank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin);
}

} // namespace vantrel
