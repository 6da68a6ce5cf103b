#pragma once

#include <QFont>
#include <QString>

namespace vantrel {

// The free faces that stand in for the face names of the label fonts. Each face is loaded from
// its own file, once per process, so that text never depends on which copy of a family
// fontconfig happens to prefer. Stored family names stay as the file says; only drawing maps
// them. Thread-safe.
namespace FaceLibrary {

struct Face {
    QString faceName; // the label font's face name, "Helvetica-Bold"
    QString fileName; // the free face's file, relative to a data folder ("fonts/...")
    QString family;   // the Qt family that selects exactly that file (may name a foundry)
    QFont::Weight weight = QFont::Normal;
    bool loaded = false; // false when the file is missing: the family then goes through Qt's
                         // own fallback
    // Line metrics of the face that is stood in for, in ems: lines are spaced and placed by
    // these, so that wrapped text takes the height it was designed with.
    double ascent = 0.8;
    double descent = 0.2;

    // The face at a whole pixel size, unhinted, so that advances scale linearly with the size.
    QFont font(int pixelSize) const;
};

// The face for a label font's face name; unknown names get the Helvetica face.
const Face& face(const QString& faceName);

// The face a text item draws with: its family through LabelFont::named, bold or regular.
const Face& face(const QString& fontFamily, bool bold);

} // namespace FaceLibrary

} // namespace vantrel
