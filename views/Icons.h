#pragma once

#include "LabelKit/model/ElementKind.h"

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringView>

namespace vantrel {

// The icons of the interface are named by their SF Symbol names; this table maps each to a
// freedesktop icon name. The desktop's own theme wins; Breeze is the fallback theme, so the
// application looks complete on a machine without an icon theme.
namespace Icons {

// Makes Breeze the fallback theme and adds the system icon folders to the search paths (the
// offscreen platform sets none). Call once, after the application object exists.
void install();

// The freedesktop name for an SF Symbol name; empty for a name the table does not know.
QString themeName(QStringView symbol);

// The themed icon for an SF Symbol name; a null icon for a name the table does not know.
QIcon icon(QStringView symbol);

// The symbol shown beside an item kind ("textformat", "barcode", ...), and its icon.
QString symbol(ElementKind kind);
QIcon icon(ElementKind kind);

// The icon at `size` device-independent pixels, painted in one colour (the symbols are
// monochrome; the colour gives them their role: accent, secondary, a warning).
QPixmap tinted(QStringView symbol, const QColor& color, int size, qreal devicePixelRatio = 1);

// Every SF Symbol name of the table, for tests and tools.
QStringList symbols();

} // namespace Icons

} // namespace vantrel
