#pragma once

#include "translation/LanguageTable.h"

#include <QWidget>

class QVBoxLayout;

// "Which languages do what": the Talk / Read / Translate table, 372 × 460, the
// languages that do all three first and a separator under the last of them.
// The rows are built once the desktop's voices are known, asked when the view
// is first shown, and kept while it lives.
// GUI thread only.
class LanguageTableView : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kSize{372, 460};
    static constexpr int kNameColumn = 150;

    explicit LanguageTableView(QWidget* parent = nullptr);

    // Fills the table with `rows` (when empty) — the first show does so with
    // the built rows once the desktop's voices have answered.
    void fill(const QList<LanguageTable::Row>& rows);
    const QList<LanguageTable::Row>& rows() const { return m_rows; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QList<LanguageTable::Row> m_rows;
    bool m_asked = false;
    QVBoxLayout* m_lines = nullptr;
    class QLabel* m_subtitle = nullptr;
};
