#pragma once

#include <QColor>
#include <QLabel>

// A named symbol drawn in one colour at a point size, for the onboarding pages.
class OnbSymbol : public QLabel {
    Q_OBJECT
public:
    OnbSymbol(const QString& name, int points, const QColor& color, QWidget* parent = nullptr);
    QString name() const { return m_name; }
    QColor color() const { return m_color; }

private:
    QString m_name;
    QColor m_color;
};
