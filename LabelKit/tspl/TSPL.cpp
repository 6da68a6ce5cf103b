#include "LabelKit/tspl/TSPL.h"

#include "LabelKit/model/UserError.h"
#include "LabelKit/render/LabelRenderer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <tuple>

namespace vantrel {

namespace {

// Millimetres as the printer reads them: whole values without a fraction ("50"), others
// with exactly one decimal as C's "%.1f" writes it ("50.8", "3.0" for 3.04), always with a
// point: std::to_chars ignores the process locale, which printf does not.
QByteArray millimetres(double mm) {
    char text[400]; // the largest double in fixed notation needs 311 characters
    const int decimals = mm == std::round(mm) ? 0 : 1;
    // + 0.0 turns -0 into 0
    const auto end =
        std::to_chars(text, text + sizeof text, mm + 0.0, std::chars_format::fixed, decimals);
    return QByteArray(text, end.ptr - text);
}

// Sizes and gaps that are not numbers would put "nan" or "inf" into the stream, and a label
// without a size or with a negative gap is no label the printer can feed.
void refuseUnprintable(const LabelDocument& document) {
    const std::tuple<double, const char*, bool> lengths[]{
        {document.widthMM, "width", document.widthMM > 0},
        {document.heightMM, "height", document.heightMM > 0},
        {document.gapMM, "gap", document.gapMM >= 0}};
    for (const auto& [mm, what, inRange] : lengths) {
        if (!std::isfinite(mm) || !inRange) {
            throw UserError(QStringLiteral("The label's %1 (%2 mm) is not a size that can be "
                                           "printed.")
                                .arg(QString::fromLatin1(what), QString::number(mm)));
        }
    }
}

} // namespace

QByteArray TSPL::job(const RenderedLabel& label, const LabelDocument& document, qint64 copies) {
    refuseUnprintable(document);
    const QByteArray payload = label.packedRows();
    const qint64 rowBytes = (label.width + 7) / 8;
    const qint64 density = std::clamp<qint64>(document.density, 0, 15);
    const qint64 count = std::max<qint64>(copies, 1);

    QByteArray job;
    job.reserve(payload.size() + 256);
    job += "SIZE " + millimetres(document.widthMM) + " mm, " + millimetres(document.heightMM) +
           " mm\r\n";
    job += "CLS\r\n";
    job += "SHIFT 0,0\r\n";
    job += "BITMAP 0,0," + QByteArray::number(rowBytes) + "," + QByteArray::number(label.height) +
           ",0,";
    job += payload;
    job += "\r\n";
    job += "SPEED 0\r\n";
    job += "DENSITY " + QByteArray::number(density) + "\r\n";
    job += "SET CUTTER OFF\r\n";
    job += "SET TEAR ON\r\n";
    job += "SET RIBBON OFF\r\n";
    job += "DIRECTION 0,0\r\n";
    job += "GAP " + millimetres(document.gapMM) + " mm,0 mm\r\n";
    job += "OFFSET 0 mm\r\n";
    job += "PRINT 1," + QByteArray::number(count) + "\r\n";
    return job;
}

QByteArray TSPL::job(const LabelDocument& document, const LabelContext& context, qint64 copies) {
    refuseUnprintable(document);
    return job(LabelRenderer::render(document, context, 1, true), document, copies);
}

} // namespace vantrel
