#include "mainwindow/DictionaryPane.h"

#include "engine/RecognizerBias.h"
#include "looks/TintedSymbol.h"
#include "platform/Platform.h"
#include "platform/UserAccount.h"
#include "platform/Wording.h"
#include "stores/DictionaryStore.h"
#include "stores/PersonalNames.h"
#include "support/Defaults.h"
#include "support/Text.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kTrashSize = 14;
constexpr int kCaptionSize = 11;

QLabel* caption(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPixelSize(kCaptionSize);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

DictionaryPane::Services DictionaryPane::Services::standard(DictionaryStore& store, RecognizerBias& wordBias) {
    Services services;
    services.defaults = &Defaults::shared();
    services.store = &store;
    services.accountName = [] {
        UserAccount* account = Platform::current().userAccount;
        return account ? account->fullName() : QString();
    };
    services.forcePush = [&wordBias] { wordBias.push(true); };
    return services;
}

QStringList DictionaryPane::splitVariants(const QString& text) {
    return text.split(QLatin1Char(','), Qt::SkipEmptyParts);
}

DictionaryPane::DictionaryPane(Services services, QWidget* parent)
    : SettingsForm(tr("Dictionary"), parent), m_services(std::move(services)) {
    Defaults& defaults = *m_services.defaults;

    auto* intro = new QLabel(Wording::of(tr("Add words Quorvane gets wrong, like names and brands. Type the correct "
                                            "spelling, and the mishearings it should "
                                            "replace. This runs on your Mac and fixes every dictation.")));
    intro->setWordWrap(true);
    intro->setForegroundRole(QPalette::PlaceholderText);
    addWidget(intro);

    SettingsSection* name = addSection(tr("Your own name"));
    m_name = name->addToggle(Wording::of(tr("Use the name on this Mac")), defaults.boolOr(kUseAccountName, true));
    name->add(caption(Wording::of(tr(
        "Your name is the word dictation is most likely to get wrong and you are most likely to notice. Quorvane reads "
        "it from your macOS account, so it works without you adding anything. It is used the same way as the words "
        "below, and is never saved into your list."))));
    m_current = name->add(caption(QString()));
    connect(m_name, &QCheckBox::toggled, this, [this](bool on) {
        m_services.defaults->set(kUseAccountName, on);
        showNames();
        if (m_services.forcePush)
            m_services.forcePush();
    });
    showNames();

    SettingsSection* learn = addSection(tr("Learn from my corrections"));
    m_learn = learn->addToggle(tr("Offer to add words I fix myself"), defaults.boolOr(kLearnCorrections, false));
    connect(m_learn, &QCheckBox::toggled, this, [this](bool on) { m_services.defaults->set(kLearnCorrections, on); });
    learn->add(caption(Wording::of(tr(
        "When you change a word Quorvane wrote, it can notice and offer to remember the spelling. It only ever "
        "re-reads "
        "the words it wrote for you, never anything else in the document. Nothing about it leaves your Mac, and the "
        "only thing kept is the pair of words. This needs an ordinary text field: Mail, Notes, Pages, Safari and most "
        "native apps work, while editors and chat apps built on Electron do not report enough for Quorvane to see the "
        "change."))));

    SettingsSection* add = addSection(tr("Add a word"));
    m_canonical = add->add(new QLineEdit);
    m_canonical->setPlaceholderText(tr("Correct spelling (e.g. Dravik)"));
    m_variants = add->add(new QLineEdit);
    m_variants->setPlaceholderText(tr("Also heard as, comma separated (e.g. Dravick, Dra vick)"));
    m_add = add->add(new QPushButton(tr("Add")));
    m_add->setAutoDefault(false);
    m_add->setEnabled(false);
    connect(m_canonical, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_add->setEnabled(!Text::trimmedOfBlanks(text).isEmpty()); });
    connect(m_add, &QPushButton::clicked, this, &DictionaryPane::addEntry);

    m_words = addSection(tr("Your words"));
    m_empty = caption(tr("No words yet."));
    addWidget(m_empty);
    connect(m_services.store, &DictionaryStore::entriesChanged, this, &DictionaryPane::rebuildRows);
    rebuildRows();
    finish();
}

void DictionaryPane::addEntry() {
    m_services.store->add(m_canonical->text(), splitVariants(m_variants->text()));
    m_canonical->clear();
    m_variants->clear();
}

void DictionaryPane::showNames() {
    const QStringList names =
        m_name->isChecked() && m_services.accountName ? PersonalNames::names(m_services.accountName()) : QStringList();
    m_current->setText(names.isEmpty() ? QString() : QStringLiteral("Currently: ") + names.join(QStringLiteral(", ")));
    m_current->setVisible(!names.isEmpty());
}

void DictionaryPane::rebuildRows() {
    for (QWidget* row : std::as_const(m_rows)) {
        // Hidden at once; deleted later, as its own button may be the sender.
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    const QList<DictionaryEntry>& entries = m_services.store->entries();
    m_words->setVisible(!entries.isEmpty());
    m_empty->setVisible(entries.isEmpty());
    for (const DictionaryEntry& entry : entries) {
        auto* row = new QWidget;
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        auto* canonical = new QLabel(entry.canonical, row);
        canonical->setTextFormat(Qt::PlainText);
        QFont medium = canonical->font();
        medium.setWeight(QFont::Medium);
        canonical->setFont(medium);
        texts->addWidget(canonical);
        if (!entry.variants.isEmpty())
            texts->addWidget(caption(QStringLiteral("heard as: ") + entry.variants.join(QStringLiteral(", "))));
        line->addLayout(texts, 1);
        auto* remove = new QToolButton(row);
        remove->setAutoRaise(true);
        remove->setStyleSheet(QStringLiteral("QToolButton { border: none; }"));
        remove->setIcon(QIcon(TintedSymbol::pixmap(QStringLiteral("trash"), kTrashSize,
                                                   palette().color(QPalette::WindowText), devicePixelRatioF())));
        remove->setToolTip(tr("Remove"));
        remove->setAccessibleName(tr("Remove %1 from the dictionary").arg(entry.canonical));
        const DictionaryEntry removed = entry;
        connect(remove, &QToolButton::clicked, this, [this, removed] { m_services.store->remove(removed); });
        line->addWidget(remove, 0, Qt::AlignTop);
        m_words->add(row);
        m_rows.append(row);
    }
}
