#pragma once

#include <QString>
#include <QStringView>

class QLabel;
class QPushButton;
class QToolButton;
class QWidget;

namespace vantrel {

// The small pieces the inspectors and list views are built from, so that captions, secondary
// text and icon buttons look the same everywhere.
namespace InspectorStyle {

// Text in the secondary colour.
void setSecondary(QWidget* widget);
// A caption: smaller secondary text that wraps.
QLabel* caption(const QString& text, QWidget* parent);
// A row title with an icon before it, for form rows and headers.
QWidget* iconTitle(QStringView symbol, const QString& text, QWidget* parent);
// A borderless button showing only an icon; the help text is its tooltip and accessible name.
QToolButton* iconButton(QStringView symbol, const QString& help, QWidget* parent);
// A push button with an icon and a title, named by its title.
QPushButton* button(QStringView symbol, const QString& title, QWidget* parent);

} // namespace InspectorStyle

} // namespace vantrel
