#pragma once

#include "support/StoreFile.h"

#include <QObject>

// Running totals over every dictation (words, dictations, seconds of speech) and
// the figures the dashboard derives from them. Owns "stats.json". Main thread only.
class StatsStore : public QObject {
    Q_OBJECT
public:
    struct Totals {
        qint64 words = 0;
        qint64 dictations = 0;
        double speakingSeconds = 0;

        bool operator==(const Totals& other) const = default;
        QByteArray json() const;
        static std::optional<Totals> fromJson(const QJsonObject& object);
    };

    // Samples per second of a recorded take.
    static constexpr double sampleRate = 16000.0;

    // A store over "stats.json" in `folder`; loads it and never writes at load.
    explicit StatsStore(const QString& folder, QObject* parent = nullptr);

    QString url() const { return m_file.path(); }
    const Totals& totals() const { return m_totals; }
    void setTotals(const Totals& totals);

    // Seconds saved against typing the same words at 40 words per minute; never negative.
    double timeSavedSeconds() const;
    // Words per minute of speech, rounded half away from zero; 0 without speech.
    qint64 speakingWPM() const;

    // Counts a finished dictation whose final text is `finalText` and whose take held
    // `samples` samples, and writes the file. A text without words changes nothing.
    void count(const QString& finalText, qint64 samples);
    // Runs of characters that are not white space.
    static qint64 wordCount(const QString& text);
    void save();

signals:
    void totalsChanged();

private:
    StoreFile m_file;
    Totals m_totals;
};
