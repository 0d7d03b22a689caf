#pragma once

#include <QWidget>

class QLabel;
class TrademarkedText;

// The about block of the General page: the logo, the name with its
// trade-mark sign, the running version, the tagline and the web site, centred
// in whatever space it is given. No state of its own.
class AboutPane : public QWidget {
    Q_OBJECT
public:
    static constexpr qreal kMarkSize = 84;
    static constexpr qreal kNameSize = 24;
    static constexpr int kSpacing = 10;

    explicit AboutPane(QWidget* parent = nullptr);

    TrademarkedText* name() const { return m_name; }
    QLabel* version() const { return m_version; }
    QLabel* tagline() const { return m_tagline; }
    QLabel* link() const { return m_link; }

private:
    TrademarkedText* m_name;
    QLabel* m_version;
    QLabel* m_tagline;
    QLabel* m_link;
};
