#pragma once

#include <QLabel>
#include <QStringList>
#include <QTextDocument>
#include <QWidget>

// The texts of the labels under `root` that would take their text for markup:
// a text that looks like markup in a label that does not show plain text.
inline QStringList labelsTakingMarkup(const QWidget& root) {
    QStringList found;
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (label->textFormat() != Qt::PlainText && Qt::mightBeRichText(label->text()))
            found.append(label->text());
    }
    return found;
}
