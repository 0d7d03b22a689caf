#pragma once

#include <QWidget>

// A feature on the welcome page: an accent-coloured symbol at the top left, a
// semibold line and a secondary explanation that wraps.
class OnbFeatureRow : public QWidget {
    Q_OBJECT
public:
    OnbFeatureRow(const QString& symbol, const QString& title, const QString& detail, QWidget* parent = nullptr);
};
