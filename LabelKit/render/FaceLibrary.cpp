#include "LabelKit/render/FaceLibrary.h"

#include "LabelKit/model/LabelFont.h"

#include <QFontDatabase>
#include <QList>
#include <QRawFont>
#include <QStandardPaths>

namespace vantrel {

namespace {

struct FaceSpec {
    const char* faceName;
    const char* fileName;
    const char* family; // the file's own family, for Qt's fallback when the file is missing
    QFont::Weight weight;
    double ascent;
    double descent;
};

// Stand-ins chosen for likeness of advance widths (weighted by English letter frequency), with
// the vertical metrics of the face they stand in for. Helvetica: Nimbus Sans, Helvetica's own
// clone. Avenir Next: Lato, the closest humanist-geometric face Debian offers, about as wide in
// the regular weight. Avenir Next Condensed: Nimbus Sans Narrow. Menlo: DejaVu Sans Mono, from
// which Menlo was drawn. Georgia: C059 (Century Schoolbook), within a few percent of Georgia's
// widths in both weights and of its x-height. Courier New: Liberation Mono, metric-compatible.
constexpr double helveticaAscent = 1577.0 / 2048, helveticaDescent = 471.0 / 2048;
constexpr double avenirAscent = 1.0, avenirDescent = 0.366;
constexpr double menloAscent = 1901.0 / 2048, menloDescent = 483.0 / 2048;
constexpr double georgiaAscent = 1878.0 / 2048, georgiaDescent = 449.0 / 2048;
constexpr double courierAscent = 1705.0 / 2048, courierDescent = 615.0 / 2048;

constexpr FaceSpec specs[] = {
    {"Helvetica", "fonts/opentype/urw-base35/NimbusSans-Regular.otf", "Nimbus Sans", QFont::Normal,
     helveticaAscent, helveticaDescent},
    {"Helvetica-Bold", "fonts/opentype/urw-base35/NimbusSans-Bold.otf", "Nimbus Sans", QFont::Bold,
     helveticaAscent, helveticaDescent},
    {"AvenirNext-Regular", "fonts/truetype/lato/Lato-Regular.ttf", "Lato", QFont::Normal,
     avenirAscent, avenirDescent},
    {"AvenirNext-Bold", "fonts/truetype/lato/Lato-Bold.ttf", "Lato", QFont::Bold, avenirAscent,
     avenirDescent},
    {"AvenirNextCondensed-Regular", "fonts/opentype/urw-base35/NimbusSansNarrow-Regular.otf",
     "Nimbus Sans Narrow", QFont::Normal, avenirAscent, avenirDescent},
    {"AvenirNextCondensed-Bold", "fonts/opentype/urw-base35/NimbusSansNarrow-Bold.otf",
     "Nimbus Sans Narrow", QFont::Bold, avenirAscent, avenirDescent},
    {"Menlo-Regular", "fonts/truetype/dejavu/DejaVuSansMono.ttf", "DejaVu Sans Mono", QFont::Normal,
     menloAscent, menloDescent},
    {"Menlo-Bold", "fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf", "DejaVu Sans Mono", QFont::Bold,
     menloAscent, menloDescent},
    {"Georgia", "fonts/opentype/urw-base35/C059-Roman.otf", "C059", QFont::Normal, georgiaAscent,
     georgiaDescent},
    {"Georgia-Bold", "fonts/opentype/urw-base35/C059-Bold.otf", "C059", QFont::Bold, georgiaAscent,
     georgiaDescent},
    {"CourierNewPSMT", "fonts/truetype/liberation2/LiberationMono-Regular.ttf", "Liberation Mono",
     QFont::Normal, courierAscent, courierDescent},
    {"CourierNewPS-BoldMT", "fonts/truetype/liberation2/LiberationMono-Bold.ttf", "Liberation Mono",
     QFont::Bold, courierAscent, courierDescent},
};

// The font tables that identify one font file: the head table carries the file's checksum and
// dates, the name table its names.
bool sameFile(const QRawFont& a, const QRawFont& b) {
    const QByteArray head = a.fontTable("head");
    return !head.isEmpty() && head == b.fontTable("head") &&
           a.fontTable("name") == b.fontTable("name");
}

// Among the families that carry the file's family name (the plain one and the ones qualified by
// a foundry), the one under which Qt selects exactly this file. Several copies of a face may be
// installed (OpenType, Type 1, PFB), and Qt's choice among them differs from fontconfig's.
QString resolveFamily(const QString& family, const QString& path, QFont::Weight weight) {
    const QRawFont file(path, 100);
    QStringList candidates{family};
    const QString qualified = family + QStringLiteral(" [");
    for (const QString& name : QFontDatabase::families()) {
        if (name.startsWith(qualified)) {
            candidates.append(name);
        }
    }
    for (const QString& candidate : candidates) {
        QFont font(candidate);
        font.setPixelSize(100);
        font.setWeight(weight);
        if (sameFile(QRawFont::fromFont(font), file)) {
            return candidate;
        }
    }
    return family;
}

FaceLibrary::Face load(const FaceSpec& spec) {
    FaceLibrary::Face face;
    face.faceName = QString::fromLatin1(spec.faceName);
    face.fileName = QString::fromLatin1(spec.fileName);
    face.family = QString::fromLatin1(spec.family);
    face.weight = spec.weight;
    face.ascent = spec.ascent;
    face.descent = spec.descent;
    const QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation, face.fileName);
    if (path.isEmpty()) {
        return face;
    }
    const int id = QFontDatabase::addApplicationFont(path);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (id < 0 || families.isEmpty()) {
        return face;
    }
    face.family = resolveFamily(families.first(), path, face.weight);
    face.loaded = true;
    return face;
}

const QList<FaceLibrary::Face>& faces() {
    // A function-local static is initialised exactly once, even when several threads render
    // their first label at the same moment.
    static const QList<FaceLibrary::Face> all = [] {
        QList<FaceLibrary::Face> list;
        for (const FaceSpec& spec : specs) {
            list.append(load(spec));
        }
        return list;
    }();
    return all;
}

} // namespace

QFont FaceLibrary::Face::font(int pixelSize) const {
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

const FaceLibrary::Face& FaceLibrary::face(const QString& faceName) {
    const QList<Face>& all = faces();
    for (const Face& f : all) {
        if (f.faceName == faceName) {
            return f;
        }
    }
    return all.front();
}

const FaceLibrary::Face& FaceLibrary::face(const QString& fontFamily, bool bold) {
    return face(LabelFont::named(fontFamily).face(bold));
}

} // namespace vantrel
