#pragma once

#include <QWidget>

class QLabel;

// An onboarding page's explanation: 13-point secondary text in centred lines,
// kept to a centred column at most 430 wide, growing in height rather than
// being cut.
class OnbBody : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPoints = 13;
    static constexpr int kMaxWidth = 430;
    explicit OnbBody(const QString& text, QWidget* parent = nullptr);
    QString text() const;

private:
    QLabel* m_label;
};
