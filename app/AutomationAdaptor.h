#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QList>
#include <QString>

#include <functional>

namespace vantrel {

class LabelStore;
class PrinterManager;
class SingleInstance;

// One stored label as automation lists it: D-Bus type (ss), id then name.
struct LabelEntry {
    QString id; // upper case, without braces, as in the label's file name
    QString name;
    friend bool operator==(const LabelEntry&, const LabelEntry&) = default;
};
using LabelEntries = QList<LabelEntry>;

QDBusArgument& operator<<(QDBusArgument& argument, const LabelEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& argument, LabelEntry& entry);

// The automation surface of the running application, for scripts and desktop tools: print a
// stored label, print a line of text, list and search the stored labels. It works on the same
// store and printer manager as the windows, so one process holds the printer link.
//
// Prints are answered when they end: with the confirmation ("Printed 3 × Bin tag."), or with
// the error org.vantrel.Vantrel.Error.Failed whose message is the text a user would see.
// Arguments out of range are refused with org.freedesktop.DBus.Error.InvalidArgs.
class AutomationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.vantrel.Vantrel.Automation")
public:
    // The services are reached through functions, so that they are created only when a call
    // needs them.
    AutomationAdaptor(SingleInstance* instance, std::function<LabelStore&()> store,
                      std::function<PrinterManager&()> printers);

    static constexpr int maxCopies = 200;

public Q_SLOTS:
    // The label by id (as Labels() gives it) or else by name, ignoring case and diacritics.
    // An empty text means none; otherwise it is the merge field "text".
    QString PrintLabel(const QString& label, int copies, const QString& text);
    // The "Big text" design with the text.
    QString PrintText(const QString& text, int copies);
    // Every stored label, in the store's order.
    LabelEntries Labels();
    // The labels whose name contains the query, ignoring letter case, in the store's order.
    LabelEntries FindLabels(const QString& query);

private:
    bool refuseCopies(int copies);

    SingleInstance* m_instance;
    std::function<LabelStore&()> m_store;
    std::function<PrinterManager&()> m_printers;
};

} // namespace vantrel

Q_DECLARE_METATYPE(vantrel::LabelEntry)
