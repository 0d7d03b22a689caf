#pragma once

#include <QScrollArea>
#include <QWidget>

class QCheckBox;
class QLabel;
class QVBoxLayout;

// A titled group of settings rows on a rounded card, with caption-sized help
// texts between the rows. GUI thread only.
class SettingsSection : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRadius = 10;
    static constexpr int kPadding = 14;
    static constexpr int kRowSpacing = 10;

    // An empty `title` shows the card without a heading.
    SettingsSection(const QString& title, QWidget* parent = nullptr);

    QString title() const;
    // Pages whose section heading follows their state change it here.
    void setTitle(const QString& title);
    // Adds `row` to the card (re-parenting it) and returns it.
    template <typename T> T* add(T* row) {
        addWidget(row);
        return row;
    }
    QCheckBox* addToggle(const QString& text, bool on);
    QLabel* addHelp(const QString& text);
    // A row of `label` on the left and `control` on the right.
    QWidget* addLabelled(const QString& label, QWidget* control);

private:
    void addWidget(QWidget* row);

    QLabel* m_title;
    QWidget* m_card;
    QVBoxLayout* m_rows;
};

// A page of settings sections in a vertical scroll view. GUI thread only.
class SettingsForm : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kMargin = 24;
    static constexpr int kSectionSpacing = 18;
    static constexpr int kMaximumWidth = 720;

    explicit SettingsForm(const QString& title, QWidget* parent = nullptr);

    SettingsSection* addSection(const QString& title);
    QList<SettingsSection*> sections() const { return m_sections; }
    // The section titled `title`; nullptr when there is none.
    SettingsSection* section(const QString& title) const;
    // Adds a free-standing widget between sections.
    void addWidget(QWidget* widget);
    // Ends the page: what follows is space.
    void finish();

private:
    QVBoxLayout* m_column;
    QList<SettingsSection*> m_sections;
};
