#pragma once

#include <QMutex>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

// The user's settings, kept with their types in a JSON file
// ($XDG_CONFIG_HOME/Quorvane/defaults.json). Reads are typed and strict: a value
// of another type counts as absent, so "true" stored as text is not a Boolean and
// 3.5 is not an integer. Every write emits `changed(key)` once. Safe to use from
// any thread. A file that does not hold settings (damaged, cut short) reads as
// empty and is kept: the next write first moves it aside as
// "defaults.json.unreadable-<UTC time>", as the stores do with theirs.
class Defaults : public QObject {
    Q_OBJECT
public:
    // The settings of the running program; shared because the looks, the text
    // rules and other free functions read them.
    static Defaults& shared();
    // The settings file the shared instance uses.
    static QString standardFilePath();

    // Settings backed by `filePath` (tests use a temporary file).
    explicit Defaults(const QString& filePath, QObject* parent = nullptr);
    ~Defaults() override;

    QString filePath() const;
    bool contains(const QString& key) const;
    QVariant value(const QString& key) const;

    std::optional<bool> boolean(const QString& key) const;
    // Absent or not a Boolean gives `fallback`.
    bool boolOr(const QString& key, bool fallback) const;
    // A number with an integral value.
    std::optional<qint64> integer(const QString& key) const;
    qint64 intOr(const QString& key, qint64 fallback) const;
    std::optional<double> number(const QString& key) const;
    double doubleOr(const QString& key, double fallback) const;
    std::optional<QString> string(const QString& key) const;
    QString stringOr(const QString& key, const QString& fallback) const;
    // A list whose members are all texts.
    std::optional<QStringList> stringList(const QString& key) const;
    // A list or a map; empty when absent or of another type.
    QVariantList list(const QString& key) const;
    QVariantMap map(const QString& key) const;

    // Stores `value` (Boolean, number, text, list or map) and writes the file.
    // Nothing changes when a damaged file could not be moved aside.
    void set(const QString& key, const QVariant& value);
    void remove(const QString& key);
    // Forgets every setting, in memory and in the file, without announcing
    // each key, and from then on never writes the file again: later changes
    // live in memory until the program ends. The uninstaller calls it before
    // it deletes the folder, so that nothing written late (a window's frame
    // at quit) brings the file or its folder back.
    void clear();

signals:
    void changed(const QString& key);

private:
    // Moves a damaged file aside before it is written over; false when it
    // stays (then it must not be replaced). Called with the lock held.
    bool keepDamagedFile();

    mutable QMutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
    // After clear(): the settings, kept in memory only.
    std::optional<QVariantMap> m_inMemory;
};
