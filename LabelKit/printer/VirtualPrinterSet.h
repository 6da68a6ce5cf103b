#pragma once

#include <QList>
#include <QString>

namespace vantrel {

class VirtualCentral;
class VirtualPrinter;

// The simulated printers that stand in for the radio, so that the list, the picker and the
// queue can be seen and tried with several printers and none at hand. Built from a folder and
// an optional description:
//
//   (none)            one printer, CT221B-VIRTUAL, saving what it prints into the folder;
//   N                 N printers (0 to 26) named CT221B-A, CT221B-B, ...;
//   NAME[@RSSI],...   one printer per name, with that signal in dBm (-100 to 0). A name that
//                     does not begin with CT221B gets "CT221B-" in front, as only such names
//                     are taken for printers.
//
// With a description each printer saves into a subfolder of the folder named after it, and
// printers without a given signal get -52, -64, -74 and -86 dBm in turn (four, three, two and
// one bars).
struct VirtualPrinterSet {
    struct Member {
        QString name;
        int rssi = -58;
        QString folder; // absolute

        friend bool operator==(const Member&, const Member&) = default;
    };

    QString folder; // absolute; empty when none was given
    QList<Member> members;

    static const QString defaultName;
    // How the description is written, for usage texts.
    static const QString synopsis;

    // Throws UserError naming what is wrong with the description.
    static VirtualPrinterSet parse(const QString& folder, const QString& description = {});

    // Creates the folder and every printer's; throws UserError naming one that cannot be
    // created.
    void createFolders() const;
    // Adds the printers to the central, each answering at once; returns them in order.
    QList<VirtualPrinter*> addTo(VirtualCentral& central) const;
};

} // namespace vantrel
