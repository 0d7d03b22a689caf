#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

// The clipboard. Every write raises the change count; so does any change made
// by another application.
class Pasteboard {
public:
    // One clipboard item: its formats (MIME types) with their bytes, in order.
    using Item = QList<QPair<QString, QByteArray>>;
    using Snapshot = QList<Item>;

    virtual ~Pasteboard() = default;

    virtual qint64 changeCount() = 0;
    // Every item with every format that yields data. Another application serves
    // its clipboard itself, so the wait for it is bounded: an owner that does
    // not answer in time leaves out what it has not given by then (all of it
    // when it never answers), and the caller goes on.
    virtual Snapshot snapshot() = 0;
    // Empties the clipboard without taking it over with empty content.
    virtual void clear() = 0;
    // Puts a snapshot back, every item and format.
    virtual void restore(const Snapshot& items) = 0;
    // Writes `text` as plain text. A transient text is marked so that
    // clipboard managers neither keep nor show it.
    virtual void writeText(const QString& text, bool transient) = 0;
    // Calls `done` once the data of the current write has been asked for by an
    // application (at once when it already has been); never when another write
    // comes first.
    virtual void whenFetched(std::function<void()> done) = 0;
};
