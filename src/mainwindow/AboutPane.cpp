#include "mainwindow/AboutPane.h"

#include "install/BuildValues.h"
#include "install/Updater.h"
#include "looks/BrandMark.h"
#include "looks/TrademarkedText.h"
#include "mainwindow/DashboardCard.h"
#include "platform/Wording.h"

#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kVersionSize = 12;
constexpr int kTaglineSize = 13;
constexpr int kLinkSize = 12;

} // namespace

AboutPane::AboutPane(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setSpacing(kSpacing);
    column->addStretch(1);
    auto* mark = new BrandMark(kMarkSize, this);
    column->addWidget(mark, 0, Qt::AlignHCenter);

    m_name = new TrademarkedText(QStringLiteral("Quorvane"), DashboardCard::font(int(kNameSize), QFont::Bold),
                                 QFont::Medium, this);
    column->addWidget(m_name, 0, Qt::AlignHCenter);

    m_version = DashboardCard::plainLabel(QStringLiteral("Version ") + Updater::currentVersion(),
                                          DashboardCard::font(kVersionSize), this);
    m_version->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(m_version, 0, Qt::AlignHCenter);

    m_tagline =
        DashboardCard::plainLabel(Wording::of(QStringLiteral("Dictation and reading that never leave your Mac.")),
                                  DashboardCard::font(kTaglineSize), this);
    m_tagline->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(m_tagline, 0, Qt::AlignHCenter);

    const QUrl site = BuildValues::site();
    m_link = new QLabel(this);
    m_link->setFont(DashboardCard::font(kLinkSize));
    m_link->setTextFormat(Qt::RichText);
    m_link->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                        .arg(site.toString(QUrl::FullyEncoded).toHtmlEscaped(), site.host().toHtmlEscaped()));
    m_link->setOpenExternalLinks(true);
    m_link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    column->addWidget(m_link, 0, Qt::AlignHCenter);
    column->addStretch(1);
}
