#pragma once

#include "LabelKit/merge/LabelContext.h"

#include <QSet>
#include <QString>
#include <QStringList>

namespace vantrel {

struct LabelDocument;

// Placeholders in element contents: {serial}, {date}, {date+30}, {date:yyyy-MM-dd-7}, {Column}.
// A placeholder is "{", one or more characters other than "{", "}" and line feed, then "}"; its
// token is the inside without surrounding spaces and tabs.
namespace Placeholders {

QString defaultDateFormat();

// The text with every placeholder that has a value replaced by it; placeholders without a value
// stay as written. Values are inserted as they are, never scanned again. A text without "{" is
// returned as it is, without any work.
QString resolve(const QString& text, const LabelContext& context);

// The tokens of the text in order, duplicates kept; every date token reads "date".
QStringList tokens(const QString& text);

// True for "serial" and "date" exactly.
bool isBuiltIn(QStringView name);

// The normalised tokens over the contents of every element of the design.
QSet<QString> placeholders(const LabelDocument& document);
// The design numbers its labels: it holds {serial}.
bool usesSerial(const LabelDocument& document);
// The merge fields the design asks for: its tokens without "serial" and "date", sorted by
// Unicode code points.
QStringList fieldNames(const LabelDocument& document);

} // namespace Placeholders

} // namespace vantrel
