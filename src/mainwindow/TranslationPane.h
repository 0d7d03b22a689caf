#pragma once

#include "looks/SettingsForm.h"

#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>

class Defaults;
class QComboBox;
class QLabel;
class QPushButton;
class TranslationCatalog;

// The Translation page: the language translated dictation is typed in, the
// one a highlight is read aloud in, the two translation double-tap keys, the
// languages ready on this computer with the table of which do what, and, while
// the translator is available, the add-a-language control. Every picker writes
// its key at once; a changed translate key then re-binds the modifier taps
// once (loading binds nothing). Showing the page, and each change of the
// typing target while it shows, refreshes the catalogue (throttled). The page
// follows the catalogue and the four settings while it lives. GUI thread only.
class TranslationPane : public SettingsForm {
    Q_OBJECT
public:
    static inline const QString kTarget = QStringLiteral("translationTarget");
    static inline const QString kReadTarget = QStringLiteral("translationReadTarget");
    // The caption and callout fonts, in points.
    static constexpr int kCaptionSize = 11;
    static constexpr int kCalloutSize = 12;
    static constexpr int kLinkSize = 12;
    // Between the "Which languages do what" button and its table.
    static constexpr int kPopupGap = 4;

    struct Services {
        Defaults* defaults = nullptr;
        TranslationCatalog* catalog = nullptr;
        // The double-tap keys a picker may offer, as stored ("rightCommand"), in order.
        QStringList offerableKeys;
        // Binds the stored shortcuts again; empty binds nothing.
        std::function<void()> rebind;
        // Builds the add-a-language control; empty while the translator is
        // unavailable, and then nothing stands between the first two sections.
        std::function<QWidget*()> addLanguage;
        // Builds the table "Which languages do what" shows.
        std::function<QWidget*()> languageTable;
        // Shows how to remove a ready language, over `parent`; empty shows the
        // button disabled.
        std::function<void(QWidget* parent)> openLanguageSettings;

        // The shared settings and catalogue; `offerableKeys` and `rebind`
        // belong to the key binder and are left to the caller.
        static Services standard();
    };

    // What the first row of the ready section says, and how.
    struct ReadyRow {
        enum class Kind { Checking, NothingReady, Languages };
        Kind kind;
        QString text;
        bool operator==(const ReadyRow&) const = default;
    };

    // The languages both language pickers offer: every candidate until the
    // catalogue has listed some; then, in candidate order, the listed ones and
    // the two present choices.
    static QStringList reachableTargets(bool hasChecked, const QStringList& catalogTargets, const QString& target,
                                        const QString& readTarget);
    // The keys one key picker offers, in `offerable` order: none that the
    // dictation key, the reader key or `excluding` holds, except `current`.
    static QStringList availableKeys(const QStringList& offerable, const QString& excluding, const QString& current,
                                     const QString& dictationKey, const QString& readerKey);
    // The ready row for the catalogue's state: the display names of `sources`
    // in plain string order, joined by ", ".
    static ReadyRow readyRow(bool hasChecked, const QStringList& sources);

    explicit TranslationPane(Services services, QWidget* parent = nullptr);

    QComboBox* intoPicker() const { return m_into; }
    QComboBox* readPicker() const { return m_read; }
    QComboBox* tapPicker() const { return m_tap; }
    QComboBox* readTapPicker() const { return m_readTap; }
    QLabel* intoCaption() const { return m_intoCaption; }
    QLabel* keysCaption() const { return m_keysCaption; }
    QLabel* readyLabel() const { return m_ready; }
    QPushButton* languagesButton() const { return m_languages; }
    QPushButton* manageButton() const { return m_manage; }
    // The add-a-language control; nullptr when there is none.
    // The open language table; nullptr while it is closed.
    QWidget* languagesPopup() const { return m_popup; }

    // Opens the language table under its button.
    void showLanguages();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The stored text of `key`, `fallback` when absent, nothing when it holds another type.
    std::optional<QString> stored(const QString& key, const QString& fallback) const;
    // Brings the pickers, the captions and the ready row up to the settings and the catalogue.
    void load();
    void fillLanguages(QComboBox* picker, const QStringList& codes, bool sameAsAbove,
                       const std::optional<QString>& current);
    void fillKeys(QComboBox* picker, const QStringList& keys, const std::optional<QString>& current);
    void pick(QComboBox* picker, const QString& key);

    Services m_services;
    QComboBox* m_into = nullptr;
    QComboBox* m_read = nullptr;
    QComboBox* m_tap = nullptr;
    QComboBox* m_readTap = nullptr;
    QLabel* m_intoCaption = nullptr;
    QLabel* m_keysCaption = nullptr;
    QLabel* m_ready = nullptr;
    QPushButton* m_languages = nullptr;
    QPushButton* m_manage = nullptr;
    QPointer<QWidget> m_popup;
};
