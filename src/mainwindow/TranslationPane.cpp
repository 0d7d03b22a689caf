#include "mainwindow/TranslationPane.h"

#include "looks/TextColours.h"
#include "looks/TintedSymbol.h"
#include "platform/OnDeviceTranslator.h"
#include "platform/Platform.h"
#include "platform/Wording.h"
#include "state/MainWindowPane.h"
#include "support/Defaults.h"
#include "support/DictationSettings.h"
#include "translation/DoubleTapKeyLabel.h"
#include "translation/LanguageTableView.h"
#include "translation/TranslationDownload.h"
#include "translation/TranslationRemoveDialog.h"
#include "translator/TranslationCatalog.h"
#include "translator/Translator.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

using DictationSettings::kDoubleTapDictationKey;
using DictationSettings::kDoubleTapReaderKey;
using DictationSettings::kTranslateReadTapKey;
using DictationSettings::kTranslateTapKey;

namespace {

const QString kDefaultTarget = QStringLiteral("en");

QFont pixelFont(int pixels) {
    QFont font;
    font.setPixelSize(pixels);
    return font;
}

QStringList itemCodes(const QComboBox* picker) {
    QStringList codes;
    for (int i = 0; i < picker->count(); ++i)
        codes << picker->itemData(i).toString();
    return codes;
}

// The index of `current` among the picker's values; -1 (nothing) for nothing.
int indexOf(const QComboBox* picker, const std::optional<QString>& current) {
    return current ? picker->findData(*current) : -1;
}

// The languages ready for dictation into the typing target, each with the
// command that removes its pair, by name.
QList<TranslationRemoveDialog::Language> removableLanguages() {
    QList<TranslationRemoveDialog::Language> languages;
    OnDeviceTranslator* translator = Platform::current().onDeviceTranslator;
    if (!translator)
        return languages;
    const QString target = Translator::typeTarget();
    for (const QString& code : TranslationCatalog::shared().sources())
        if (const std::optional<QString> command = translator->removeCommand(code, target))
            languages.append({code, Translator::displayName(code), *command});
    std::sort(languages.begin(), languages.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return languages;
}

void openRemoveDialog(QWidget* parent) {
    auto check = [](const QString& code, std::function<void(bool)> answer) {
        TranslationCatalog& catalog = TranslationCatalog::shared();
        catalog.refresh(true).then(&catalog, [code, answer, &catalog] { answer(!catalog.sources().contains(code)); });
    };
    auto* dialog = new TranslationRemoveDialog(removableLanguages(), check, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

} // namespace

TranslationPane::Services TranslationPane::Services::standard() {
    Services services;
    services.defaults = &Defaults::shared();
    services.catalog = &TranslationCatalog::shared();
    if (Translator::isAvailable())
        services.addLanguage = [] { return new TranslationDownload(TranslationDownload::Services::standard()); };
    services.languageTable = [] { return new LanguageTableView; };
    // This desktop has no settings page of its own for translation languages:
    // they are the translator's packages, removed with the package manager.
    if (Translator::isAvailable())
        services.openLanguageSettings = [](QWidget* parent) { openRemoveDialog(parent); };
    return services;
}

QStringList TranslationPane::reachableTargets(bool hasChecked, const QStringList& catalogTargets, const QString& target,
                                              const QString& readTarget) {
    if (!hasChecked || catalogTargets.isEmpty())
        return TranslationCatalog::candidates();
    QStringList codes;
    for (const QString& code : TranslationCatalog::candidates())
        if (catalogTargets.contains(code) || code == target || code == readTarget)
            codes.append(code);
    return codes;
}

QStringList TranslationPane::availableKeys(const QStringList& offerable, const QString& excluding,
                                           const QString& current, const QString& dictationKey,
                                           const QString& readerKey) {
    QStringList keys;
    for (const QString& key : offerable) {
        const bool taken = key == dictationKey || key == readerKey || key == excluding;
        if (!taken || key == current)
            keys.append(key);
    }
    return keys;
}

TranslationPane::ReadyRow TranslationPane::readyRow(bool hasChecked, const QStringList& sources) {
    if (!hasChecked)
        return {ReadyRow::Kind::Checking, QStringLiteral("Checking which languages are ready\u2026")};
    if (sources.isEmpty())
        return {ReadyRow::Kind::NothingReady,
                Wording::of(QStringLiteral("No languages are downloaded yet, so there is nothing to translate from. "
                                           "Add one in Language & Region and it will appear here."))};
    QStringList names;
    for (const QString& code : sources)
        names << Translator::displayName(code);
    // Plain code-unit order, as the list is shown unlocalised.
    std::sort(names.begin(), names.end());
    return {ReadyRow::Kind::Languages, names.join(QStringLiteral(", "))};
}

TranslationPane::TranslationPane(Services services, QWidget* parent)
    : SettingsForm(tr("Translation"), parent), m_services(std::move(services)) {
    // 1. The two languages and the two keys.
    SettingsSection* keys = addSection(tr("When you press the translate key"));
    m_into = new QComboBox;
    keys->addLabelled(tr("Into"), m_into);
    m_intoCaption = keys->addHelp(QString());
    m_read = new QComboBox;
    keys->addLabelled(tr("Read aloud in"), m_read);
    keys->addHelp(tr("Highlight something in another language and this is what you hear. Usually the one you read "
                     "most easily, which is rarely the one you are writing into."));
    m_tap = new QComboBox;
    keys->addLabelled(tr("Speak and type"), m_tap);
    m_readTap = new QComboBox;
    keys->addLabelled(tr("Read a highlight"), m_readTap);
    m_keysCaption = keys->addHelp(QString());
    keys->addHelp(tr("Reading a selection aloud is for the person in front of you. Highlight the instructions you just "
                     "wrote and let them hear it in their own language. Everything else here ends in text on a "
                     "screen; this ends in speech."));

    // 2. Adding a language, only while there is a translator to add it to.
    if (m_services.addLanguage)
        addSection(QString())->add(m_services.addLanguage());

    // 3. What is ready.
    SettingsSection* ready = addSection(Wording::of(QStringLiteral("Ready on this Mac")));
    m_ready = ready->addHelp(QString());
    m_languages = new QPushButton;
    m_languages->setText(tr("Which languages do what"));
    m_languages->setFont(pixelFont(kLinkSize));
    m_languages->setIcon(QIcon(TintedSymbol::pixmap(QStringLiteral("info.circle"), kLinkSize + 2,
                                                    MainWindowPanes::kOrange, devicePixelRatioF())));
    m_languages->setFlat(true);
    m_languages->setCursor(Qt::PointingHandCursor);
    m_languages->setStyleSheet(
        QStringLiteral("QPushButton { border: none; padding: 0; color: %1; }"
                       "QPushButton:pressed { color: %2; }")
            .arg(TextColours::orange(palette()).name(), TextColours::orange(palette()).darker(130).name()));
    ready->add(m_languages);
    connect(m_languages, &QPushButton::clicked, this, &TranslationPane::showLanguages);
    m_manage = ready->add(new QPushButton(Wording::of(QStringLiteral("Manage in System Settings\u2026"))));
    m_manage->setAutoDefault(false);
    m_manage->setEnabled(bool(m_services.openLanguageSettings));
    connect(m_manage, &QPushButton::clicked, this, [this] {
        if (m_services.openLanguageSettings)
            m_services.openLanguageSettings(this);
    });
    ready->addHelp(Wording::of(QStringLiteral(
        "Only needed to remove a language, or to see everything macOS holds. Adding one is quicker above. On that "
        "page, scroll to the bottom and click Translation Languages; the list at the top is a different thing.")));
    ready->addHelp(tr("Downloading one language covers both directions. Adding Spanish lets you speak Spanish and "
                      "type English, and speak English and type Spanish."));

    // 4. What to expect.
    SettingsSection* expect = addSection(tr("What to expect"));
    expect->addHelp(tr("Translation is a bridge, not a substitute for writing in the language yourself. It carries "
                       "the meaning across reliably. It will not match the phrasing of somebody fluent, and it is not "
                       "held to the standard of ordinary dictation."));
    expect->addHelp(Wording::of(QStringLiteral(
        "Translation happens on your Mac, using the language models macOS has downloaded. Quorvane refuses to "
        "translate a language that is not on this Mac rather than sending your words anywhere.")));
    finish();

    load();
    pick(m_into, kTarget);
    pick(m_read, kReadTarget);
    pick(m_tap, kTranslateTapKey);
    pick(m_readTap, kTranslateReadTapKey);

    connect(m_services.defaults, &Defaults::changed, this, [this](const QString& key) {
        static const QStringList watched = {
            kTarget, kReadTarget, kTranslateTapKey, kTranslateReadTapKey, kDoubleTapDictationKey, kDoubleTapReaderKey};
        if (!watched.contains(key))
            return;
        load();
        // The catalogue's lists belong to the typing target.
        if (key == kTarget && isVisible() && m_services.catalog)
            (void)m_services.catalog->refresh(false);
    });
    if (TranslationCatalog* catalog = m_services.catalog) {
        connect(catalog, &TranslationCatalog::targetsChanged, this, &TranslationPane::load);
        connect(catalog, &TranslationCatalog::sourcesChanged, this, &TranslationPane::load);
        connect(catalog, &TranslationCatalog::hasCheckedChanged, this, &TranslationPane::load);
    }
}

void TranslationPane::showEvent(QShowEvent* event) {
    SettingsForm::showEvent(event);
    if (m_services.catalog)
        (void)m_services.catalog->refresh(false);
}

std::optional<QString> TranslationPane::stored(const QString& key, const QString& fallback) const {
    if (!m_services.defaults->contains(key))
        return fallback;
    return m_services.defaults->string(key);
}

void TranslationPane::load() {
    const Defaults& defaults = *m_services.defaults;
    const std::optional<QString> target = stored(kTarget, kDefaultTarget);
    const std::optional<QString> readTarget = stored(kReadTarget, QString());
    const std::optional<QString> tapKey =
        stored(kTranslateTapKey, DictationSettings::fallback(kTranslateTapKey).toString());
    const std::optional<QString> readTapKey =
        stored(kTranslateReadTapKey, DictationSettings::fallback(kTranslateReadTapKey).toString());
    const QString dictationKey = DictationSettings::readText(defaults, kDoubleTapDictationKey);
    const QString readerKey = DictationSettings::readText(defaults, kDoubleTapReaderKey);
    const bool checked = m_services.catalog && m_services.catalog->hasChecked();

    const QStringList codes = reachableTargets(checked, checked ? m_services.catalog->targets() : QStringList(),
                                               target.value_or(QString()), readTarget.value_or(QString()));
    fillLanguages(m_into, codes, false, target);
    fillLanguages(m_read, codes, true, readTarget);
    fillKeys(m_tap,
             availableKeys(m_services.offerableKeys, readTapKey.value_or(QString()), tapKey.value_or(QString()),
                           dictationKey, readerKey),
             tapKey);
    fillKeys(m_readTap,
             availableKeys(m_services.offerableKeys, tapKey.value_or(QString()), readTapKey.value_or(QString()),
                           dictationKey, readerKey),
             readTapKey);

    // What dictation and reading actually use: an empty target falls back.
    const QString typing = target.value_or(QString()).isEmpty() ? kDefaultTarget : *target;
    const QString reading = readTarget.value_or(QString()).isEmpty() ? typing : *readTarget;
    m_intoCaption->setText(tr("Speak any downloaded language and Quorvane types ") + Translator::displayName(typing)
                           + tr(". It works out which language you spoke on its own, so there is nothing to switch "
                                "when you change."));
    m_keysCaption->setText(
        tr("Double-tap ") + DoubleTapKeyLabel::of(tapKey.value_or(QString()), DoubleTapKeyLabel::Fallback::TheKey)
        + tr(" and whatever you say next is typed in ") + Translator::displayName(typing)
        + tr(". Highlight something, double-tap ")
        + DoubleTapKeyLabel::of(readTapKey.value_or(QString()), DoubleTapKeyLabel::Fallback::TheOtherKey)
        + tr(", and Quorvane reads it aloud in ") + Translator::displayName(reading)
        + tr(". Your usual dictation and reader keys keep working exactly as they always have."));

    const ReadyRow row = readyRow(checked, checked ? m_services.catalog->sources() : QStringList());
    m_ready->setText(row.text);
    m_ready->setFont(pixelFont(row.kind == ReadyRow::Kind::Languages ? kCalloutSize : kCaptionSize));
    m_ready->setForegroundRole(row.kind == ReadyRow::Kind::Checking ? QPalette::PlaceholderText : QPalette::WindowText);
    // The warning is orange; otherwise the label follows the page's colours.
    QPalette palette;
    if (row.kind == ReadyRow::Kind::NothingReady) {
        palette = m_ready->palette();
        palette.setColor(QPalette::WindowText, TextColours::orange(palette));
    }
    m_ready->setPalette(palette);
}

void TranslationPane::fillLanguages(QComboBox* picker, const QStringList& codes, bool sameAsAbove,
                                    const std::optional<QString>& current) {
    const QSignalBlocker quiet(picker);
    const QStringList wanted = sameAsAbove ? QStringList{QString()} + codes : codes;
    // Rebuilt only when the offer changed, so a pick is never pulled from under the list.
    if (itemCodes(picker) != wanted) {
        picker->clear();
        if (sameAsAbove)
            picker->addItem(tr("Same as above"), QString());
        for (const QString& code : codes)
            picker->addItem(Translator::displayName(code), code);
    }
    picker->setCurrentIndex(indexOf(picker, current));
}

void TranslationPane::fillKeys(QComboBox* picker, const QStringList& keys, const std::optional<QString>& current) {
    const QSignalBlocker quiet(picker);
    if (itemCodes(picker) != keys) {
        picker->clear();
        for (const QString& key : keys)
            picker->addItem(DoubleTapKeyLabel::of(key), key);
    }
    picker->setCurrentIndex(indexOf(picker, current));
}

void TranslationPane::pick(QComboBox* picker, const QString& key) {
    connect(picker, &QComboBox::currentIndexChanged, this, [this, picker, key](int index) {
        if (index < 0)
            return;
        const QString value = picker->itemData(index).toString();
        if (m_services.defaults->contains(key) && m_services.defaults->string(key) == value)
            return;
        m_services.defaults->set(key, value);
        // The taps are bound to the stored keys: bind them again now rather
        // than at the next start.
        if ((key == kTranslateTapKey || key == kTranslateReadTapKey) && m_services.rebind)
            m_services.rebind();
    });
}

void TranslationPane::showLanguages() {
    if (m_popup || !m_services.languageTable)
        return;
    auto* popup = new QFrame(this, Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(popup);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(m_services.languageTable());
    popup->adjustSize();
    // Under the button, centred on it; above it when the screen ends first.
    const QSize size = popup->sizeHint();
    const QRect button(m_languages->mapToGlobal(QPoint(0, 0)), m_languages->size());
    QPoint at(button.center().x() - size.width() / 2, button.bottom() + 1 + kPopupGap);
    if (const QScreen* screen = m_languages->screen()) {
        const QRect space = screen->availableGeometry();
        if (at.y() + size.height() > space.bottom() + 1)
            at.setY(button.top() - kPopupGap - size.height());
        at.setX(std::clamp(at.x(), space.left(), std::max(space.left(), space.right() + 1 - size.width())));
        at.setY(std::max(at.y(), space.top()));
    }
    popup->move(at);
    popup->show();
    m_popup = popup;
}
