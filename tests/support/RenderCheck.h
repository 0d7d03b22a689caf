#pragma once

#include <QString>
#include <QStringList>

class QColor;
class QWidget;

// Looks at a widget as a reader would: renders it as it stands and reports
//  - a label or other text widget given less height than its text needs
//    (the text is clipped);
//  - a text whose colour has a contrast ratio below 4.5 : 1 (3 : 1 from 18 pt)
//    against the pixels drawn behind it, by WCAG 2's formula;
//  - a symbol the program asked for that has no icon.
// Every text is taken from the painting itself, so texts drawn by hand are
// checked as well as labels, each against what was painted before it. Where
// the widget leaves its background transparent (a panel over the desktop),
// the pixels behind count as white and as black both, whichever is worse. A
// text with no letter or digit (an emoji, an arrow) and the text of a disabled
// control have no contrast to keep. GUI thread.
namespace RenderCheck {

// One line per fault; empty when the widget reads well.
QStringList problems(QWidget& root);

// Fails the running test with every fault of `root`, naming the render `name`.
void expectReadable(QWidget& root, const QString& name);

// The contrast ratio of two opaque colours by WCAG 2 (1 to 21).
double contrast(const QColor& a, const QColor& b);

// The symbols the program asked for since the test program started that had
// no icon; filled from the program's own warnings.
QStringList missingSymbols();

// Installs the watch behind missingSymbols(); the shared test main calls it.
void watchSymbols();

} // namespace RenderCheck
