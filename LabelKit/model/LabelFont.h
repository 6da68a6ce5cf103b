#pragma once

#include <QList>
#include <QString>

namespace vantrel {

// One font family a text item may use, with the face names of its two weights.
struct LabelFont {
    QString family;
    QString regular;
    QString bold;

    // The six families, in menu order.
    static const QList<LabelFont>& all();
    // The entry whose family equals the name exactly, else the Helvetica entry.
    static const LabelFont& named(const QString& family);

    const QString& face(bool isBold) const { return isBold ? bold : regular; }

    friend bool operator==(const LabelFont&, const LabelFont&) = default;
};

size_t qHash(const LabelFont& font, size_t seed = 0) noexcept;

} // namespace vantrel
