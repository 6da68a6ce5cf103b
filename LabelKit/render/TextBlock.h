#pragma once

#include "LabelKit/model/Dots.h"
#include "LabelKit/model/TextAlign.h"
#include "LabelKit/render/FaceLibrary.h"

#include <QPointF>
#include <QString>
#include <QStringList>

#include <memory>

class QPaintDevice;
class QPainter;
class QTextLayout;

namespace vantrel {

// Text set in one face at one size, word-wrapped at one width; lengths in dots. Qt rounds
// pixel sizes to whole pixels, so the text is laid out at a magnified whole pixel size and
// drawn scaled back down: fractional sizes then keep their exact widths. Lines are spaced by
// the face's line metrics; a line feed always starts a new line; a word longer than the width
// breaks where it must.
class TextBlock {
public:
    // Sizes above this many points are not drawn (a glyph taller than three metres).
    static constexpr double maxPoints = 10000;

    TextBlock(const QString& text, const FaceLibrary::Face& face, double points, TextAlign align,
              double width, const QPaintDevice* device);
    ~TextBlock();
    TextBlock(const TextBlock&) = delete;
    TextBlock& operator=(const TextBlock&) = delete;

    int lineCount() const { return m_lines; }
    // The height of all lines, dots.
    double height() const;
    // Draws the lines from topLeft down, each aligned within the width. Uses the painter's pen.
    void draw(QPainter& painter, QPointF topLeft) const;

    // Dots for a size in points: 203 dots per inch, 72 points per inch.
    static double dots(double points) { return points * Dots::perPoint; }
    // The advance width of the text on one line, without wrapping, dots.
    static double lineWidth(const QString& text, const FaceLibrary::Face& face, double points,
                            const QPaintDevice* device);
    // The widest of the texts, each on one line, dots. `total`, when given, receives the sum of
    // the advances, without kerning, of the texts whose characters the face has.
    static double widestLine(const QStringList& texts, const FaceLibrary::Face& face, double points,
                             const QPaintDevice* device, double* total = nullptr);

private:
    // Draws the laid-out glyphs as cached coverage masks straight onto device pixels.
    void drawGlyphMasks(QPainter& painter, QPointF origin, double deviceScale) const;

    std::unique_ptr<QTextLayout> m_layout;
    int m_pixelSize = 1;     // of the magnified layout
    double m_scale = 1;      // dots per layout unit
    double m_lineHeight = 0; // layout units
    int m_lines = 0;
};

} // namespace vantrel
