#pragma once

#include <QString>

// What the clean-up chip pastes over a selection: the cleaned text set in the
// selection's own surroundings. The white space and line breaks at either edge
// of the selection stay as they were (a triple-clicked paragraph keeps the
// line break that ends it), and a fragment (no sentence mark, a lower-case
// start) keeps the case of its first word and takes no closing full stop.
namespace SelectionReplacement {

// `cleaned` (the cleanup's text for `selected`) fitted to `selected`; empty
// when `cleaned` holds nothing but white space.
QString fitted(const QString& selected, const QString& cleaned);

} // namespace SelectionReplacement
