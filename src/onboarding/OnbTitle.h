#pragma once

#include <QLabel>

// An onboarding page's title: 26-point bold, slightly tightened, centred,
// wrapping onto more lines rather than being cut.
class OnbTitle : public QLabel {
    Q_OBJECT
public:
    static constexpr int kPoints = 26;
    explicit OnbTitle(const QString& text, QWidget* parent = nullptr);
    // The wrapped text's own height, which QLabel overestimates for large fonts.
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
};
