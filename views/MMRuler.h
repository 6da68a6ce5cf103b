#pragma once

#include "LabelKit/model/MeasureUnit.h"

#include <QWidget>

#include <optional>
#include <utility>

namespace vantrel {

// One ruler of the canvas, 18 points thick, along the top (horizontal) or left (vertical)
// edge of the paper: ticks in millimetres or inches from the label's edge, labelled every 5 or
// 10 mm or every half inch, and a shaded band over the selected item's extent.
class MMRuler : public QWidget {
    Q_OBJECT
public:
    static constexpr double thickness = 18;

    MMRuler(bool vertical, QWidget* parent = nullptr);

    // Everything the ruler draws; repaints only when something changed.
    void set(double lengthMM, double scale, MeasureUnit unit,
             std::optional<std::pair<double, double>> highlight);

    double lengthMM() const { return m_lengthMM; }
    double scale() const { return m_scale; }
    bool vertical() const { return m_vertical; }
    MeasureUnit unit() const { return m_unit; }
    const std::optional<std::pair<double, double>>& highlight() const { return m_highlight; }

    // The colour of ticks and labels: the window's text colour, softened.
    static QColor secondary(const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_vertical;
    double m_lengthMM = 0;
    double m_scale = 1;
    MeasureUnit m_unit = MeasureUnit::mm;
    std::optional<std::pair<double, double>> m_highlight;
};

} // namespace vantrel
