#pragma once

#include <QWidget>

// What translation does, shown once: a line the user says and the line that
// gets typed, on a faint rounded card.
class ExamplePair : public QWidget {
    Q_OBJECT
public:
    ExamplePair(const QString& said, const QString& typed, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
