#pragma once

#include <QWidget>

#include "looks/PlayButton.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class ReadAloudStore;

// The editor of the pronunciation list: a word, how it should sound, a play
// button and "Add"; then one row per rule, newest first, each with its own
// play and remove buttons. Follows every change of the store. GUI thread only.
class ReadAloudSection : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWordWidth = 120;
    static constexpr int kSpacing = 8;
    static constexpr int kRowRadius = 6;

    // `store` must outlive the section.
    ReadAloudSection(ReadAloudStore& store, PlayButton::Speak speak, QWidget* parent = nullptr);

    QLineEdit* wordField() const { return m_word; }
    QLineEdit* sayAsField() const { return m_sayAs; }
    PlayButton* playButton() const { return m_play; }
    QPushButton* addButton() const { return m_add; }
    // One row per rule, in the store's order.
    QList<QWidget*> rows() const { return m_rows; }

private:
    void fieldsChanged();
    void add();
    void rebuildRows();

    ReadAloudStore& m_store;
    PlayButton::Speak m_speak;
    QLineEdit* m_word;
    QLineEdit* m_sayAs;
    PlayButton* m_play;
    QPushButton* m_add;
    QVBoxLayout* m_rowColumn;
    QList<QWidget*> m_rows;
};
