#include "cleanup/ModeRow.h"

#include "cleanup/CleanLevel.h"
#include "cleanup/ModeEditor.h"
#include "looks/TintedSymbol.h"

#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kTile = 24;
constexpr int kSymbol = 12;
constexpr int kChevron = 10;
constexpr int kShownApps = 3;
const QColor kOrange = QColor::fromRgbF(1.0f, 0.584f, 0.0f);

const QHash<QString, QString>& knownNames() {
    static const QHash<QString, QString> table = {
        {QStringLiteral("com.apple.mail"), QStringLiteral("Mail")},
        {QStringLiteral("com.microsoft.Outlook"), QStringLiteral("Outlook")},
        {QStringLiteral("com.readdle.smartemail"), QStringLiteral("Spark")},
        {QStringLiteral("com.superhuman.mail"), QStringLiteral("Superhuman")},
        {QStringLiteral("com.missiveapp.missive"), QStringLiteral("Missive")},
        {QStringLiteral("com.sparkmailapp"), QStringLiteral("Spark")},
        {QStringLiteral("com.apple.MobileSMS"), QStringLiteral("Messages")},
        {QStringLiteral("com.tinyspeck.slackmacgap"), QStringLiteral("Slack")},
        {QStringLiteral("com.hnc.Discord"), QStringLiteral("Discord")},
        {QStringLiteral("com.facebook.archon"), QStringLiteral("Messenger")},
        {QStringLiteral("org.whispersystems.signal-desktop"), QStringLiteral("Signal")},
        {QStringLiteral("ru.keepcoder.Telegram"), QStringLiteral("Telegram")},
        {QStringLiteral("com.microsoft.teams"), QStringLiteral("Teams")},
        {QStringLiteral("com.microsoft.VSCode"), QStringLiteral("VS Code")},
        {QStringLiteral("com.apple.dt.Xcode"), QStringLiteral("Xcode")},
        {QStringLiteral("com.todesktop"), QStringLiteral("Cursor")},
        {QStringLiteral("com.jetbrains"), QStringLiteral("JetBrains")},
        {QStringLiteral("com.googlecode.iterm2"), QStringLiteral("iTerm")},
        {QStringLiteral("com.apple.Terminal"), QStringLiteral("Terminal")},
        {QStringLiteral("dev.warp.Warp"), QStringLiteral("Warp")},
        {QStringLiteral("com.sublimetext"), QStringLiteral("Sublime Text")},
        {QStringLiteral("com.github.atom"), QStringLiteral("Atom")},
        {QStringLiteral("com.neovim"), QStringLiteral("Neovim")},
        {QStringLiteral("org.vim"), QStringLiteral("Vim")},
    };
    return table;
}

// First letter of each word upper case, the rest lower case.
QString capitalised(const QString& text) {
    QString result = text.toLower();
    bool start = true;
    for (QChar& c : result) {
        if (start && c.isLetter())
            c = c.toUpper();
        start = c.isSpace();
    }
    return result;
}

QPixmap tile(const QString& symbol, bool notes, qreal ratio) {
    QPixmap art(QSize(kTile, kTile) * ratio);
    art.setDevicePixelRatio(ratio);
    art.fill(Qt::transparent);
    QPainter painter(&art);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = kOrange;
    fill.setAlphaF(notes ? 0.55f : 0.85f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(0, 0, kTile, kTile), 6, 6);
    const QPixmap glyph = TintedSymbol::pixmap(symbol, kSymbol, Qt::white, ratio);
    painter.drawPixmap(QPointF((kTile - kSymbol) / 2.0, (kTile - kSymbol) / 2.0), glyph);
    return art;
}

} // namespace

QString ModeRow::appName(const QString& identifier, const AppName& installed) {
    if (installed)
        if (const std::optional<QString> name = installed(identifier))
            return QString(*name).remove(QStringLiteral(".app"));
    const auto known = knownNames().constFind(identifier);
    if (known != knownNames().cend())
        return *known;
    const QStringList pieces = identifier.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    return pieces.isEmpty() ? identifier : capitalised(pieces.last());
}

QString ModeRow::appNames(const QStringList& identifiers, const AppName& installed) {
    QStringList names;
    for (const QString& identifier : identifiers.mid(0, kShownApps))
        names << appName(identifier, installed);
    QString text = names.join(QStringLiteral(", "));
    if (identifiers.size() > kShownApps)
        text += QStringLiteral(" +") + QString::number(identifiers.size() - kShownApps);
    return text;
}

QString ModeRow::summary(const DictationMode& mode, const AppName& installed) {
    if (mode.id == QLatin1String("notes"))
        return tr("Everywhere else \u00B7 how Quorvane has always worked");
    QStringList parts;
    parts << (mode.appIDs.isEmpty() ? tr("no apps yet") : appNames(mode.appIDs, installed));
    parts << (mode.cleanLevel == CleanLevel::Off ? tr("no polish") : toString(mode.cleanLevel));
    if (mode.endWithPeriod)
        parts << tr("full sentences");
    return parts.join(QStringLiteral(" \u00B7 "));
}

ModeRow::ModeRow(const DictationMode& mode, ModeStore& store, bool open, AppName appName, QWidget* parent)
    : QWidget(parent), m_id(mode.id), m_line(new QPushButton(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_line->setFlat(true);
    m_line->setStyleSheet(QStringLiteral("QPushButton { border: none; text-align: left; padding: 0; }"));
    m_line->setAccessibleName(mode.name);
    auto* line = new QHBoxLayout(m_line);
    line->setContentsMargins(0, 2, 0, 2);
    line->setSpacing(10);
    auto* icon = new QLabel(m_line);
    icon->setPixmap(tile(mode.symbol, mode.id == QLatin1String("notes"), devicePixelRatioF()));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto* name = new QLabel(mode.name, m_line);
    QFont medium = name->font();
    medium.setPixelSize(13);
    medium.setWeight(QFont::Medium);
    name->setFont(medium);
    m_summary = new QLabel(summary(mode, appName), m_line);
    QFont small = m_summary->font();
    small.setPixelSize(11);
    m_summary->setFont(small);
    m_summary->setForegroundRole(QPalette::PlaceholderText);
    texts->addWidget(name);
    texts->addWidget(m_summary);
    QColor tertiary = palette().color(QPalette::WindowText);
    tertiary.setAlphaF(0.3f);
    auto* chevron = new QLabel(m_line);
    chevron->setPixmap(TintedSymbol::pixmap(open ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right"),
                                            kChevron, tertiary, devicePixelRatioF()));
    for (QLabel* label : {icon, name, m_summary, chevron}) {
        label->setTextFormat(Qt::PlainText);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    line->addWidget(icon);
    line->addLayout(texts, 1);
    line->addWidget(chevron);
    m_line->setMinimumHeight(36);
    column->addWidget(m_line);
    connect(m_line, &QPushButton::clicked, this, [this] { emit toggled(m_id); });
    if (open) {
        m_editor = new ModeEditor(mode, store, this);
        column->addWidget(m_editor);
    }
}
