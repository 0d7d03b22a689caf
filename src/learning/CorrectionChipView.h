#pragma once

#include "learning/CorrectionCandidate.h"

#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

// The correction chip's content: the question about one corrected word with
// the buttons "No" and "Add", on the capsule glass. Buttons never take focus,
// so the other application keeps its caret. GUI thread.
class CorrectionChipView : public QWidget {
    Q_OBJECT
public:
    inline static constexpr QSize kSize{340, 66};

    explicit CorrectionChipView(QWidget* parent = nullptr);

    // Shows the texts for `candidate`; empty interpolations without one.
    void setCandidate(const std::optional<CorrectionCandidate>& candidate);
    // The full texts, however much of them fits.
    QString title() const;
    QString detail() const;
    QPushButton* noButton() const { return m_no; }
    QPushButton* addButton() const { return m_add; }

signals:
    void declined();
    void added();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitTexts();

    QString m_titleText;
    QString m_detailText;
    QLabel* m_title;
    QLabel* m_detail;
    QPushButton* m_no;
    QPushButton* m_add;
};
