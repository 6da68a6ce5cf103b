#pragma once

#include <QString>
#include <QStringView>

class QModelIndex;

namespace vantrel {

// What one row of the printers list shows for a printer: the facts of its row in the printer
// list model, and what follows from them here (the icon and its tint, whether signal bars
// appear, the title of the default's menu item).
struct PrinterRow {
    enum class Tint { accent, secondary };

    QString advertisedName;
    QString displayName;
    QString subtitle;
    bool isDefault = false;
    bool connected = false;
    bool available = false; // connected, or heard within the last 30 s
    int rssi = -100;
    bool busy = false; // an action started from this row runs

    // The row of a PrinterListModel.
    static PrinterRow of(const QModelIndex& index);

    QStringView iconSymbol() const;
    Tint tint() const;
    bool showsSignal() const { return available; }
    // The title of the menu item that toggles the default.
    QString defaultActionTitle() const;

    // The nickname to store for what was typed: spaces and tabs at either end dropped.
    static QString nicknameFromInput(const QString& text);

    friend bool operator==(const PrinterRow&, const PrinterRow&) = default;
};

} // namespace vantrel
