#pragma once

#include "looks/SettingsForm.h"

#include <functional>

class Defaults;
class DictionaryStore;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class RecognizerBias;

// The Dictionary page: the account's name as vocabulary, learning from the
// user's corrections, adding a word with its mishearings, and the list of
// words. Follows every change of the store. Flipping the name switch re-sends
// the recogniser's word list at once (never on load). GUI thread only.
class DictionaryPane : public SettingsForm {
    Q_OBJECT
public:
    static inline const QString kLearnCorrections = QStringLiteral("learnCorrections");
    static inline const QString kUseAccountName = QStringLiteral("useAccountName");

    struct Services {
        Defaults* defaults = nullptr;
        DictionaryStore* store = nullptr;
        std::function<QString()> accountName;
        // Re-sends the recogniser's word list even when unchanged.
        std::function<void()> forcePush;

        // The program's settings, `store`, and `wordBias` to push the list;
        // both must outlive the page.
        static Services standard(DictionaryStore& store, RecognizerBias& wordBias);
    };

    explicit DictionaryPane(Services services, QWidget* parent = nullptr);

    // The mishearings as typed, split at commas: empty pieces dropped, none trimmed.
    static QStringList splitVariants(const QString& text);
    void addEntry();

    QCheckBox* nameToggle() const { return m_name; }
    QLabel* currentNames() const { return m_current; }
    QLineEdit* canonicalField() const { return m_canonical; }
    QLineEdit* variantsField() const { return m_variants; }
    QPushButton* addButton() const { return m_add; }
    // One row per word, in the store's order.
    QList<QWidget*> rows() const { return m_rows; }
    QLabel* emptyLine() const { return m_empty; }

private:
    void showNames();
    void rebuildRows();

    Services m_services;
    QCheckBox* m_name = nullptr;
    QLabel* m_current = nullptr;
    QCheckBox* m_learn = nullptr;
    QLineEdit* m_canonical = nullptr;
    QLineEdit* m_variants = nullptr;
    QPushButton* m_add = nullptr;
    SettingsSection* m_words = nullptr;
    QLabel* m_empty = nullptr;
    QList<QWidget*> m_rows;
};
