#pragma once

#include <QFuture>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// Translates text on this computer, with no network service. Language codes
// are BCP 47 tags ("en", "pt-BR").
class OnDeviceTranslator {
public:
    // Whether a language pair can be used now, can be once its data is
    // installed, or cannot be at all.
    enum class PairStatus { Installed, Supported, Unsupported };

    // One look at the installed language data. Answers status queries from
    // memory, so a whole catalogue check costs one look. Any thread.
    class PairSnapshot {
    public:
        virtual ~PairSnapshot() = default;
        virtual PairStatus status(const QString& source, const QString& target) const = 0;
    };

    virtual ~OnDeviceTranslator() = default;
    // True when the translator is installed with at least one language pair.
    virtual bool isAvailable() = 0;
    virtual PairStatus status(const QString& source, const QString& target) = 0;
    // The translation of `text`, or nothing when the pair is not installed or
    // the translation failed or took too long. The work runs off the calling
    // thread; the future may finish on another thread.
    virtual QFuture<std::optional<QString>> translate(const QString& text, const QString& source,
                                                      const QString& target) = 0;

    // Takes the look; may be called on any thread and may read files.
    virtual std::unique_ptr<PairSnapshot> snapshot() = 0;
    // The command the user runs to install the data for a pair that is
    // `Supported` ("sudo apt-get install apertium-eng-spa"); nothing for any
    // other pair. The program never runs it itself: installing needs root.
    virtual std::optional<QString> installCommand(const QString& source, const QString& target) = 0;
    // The command the user runs to remove the data of an `Installed` pair
    // ("sudo apt-get remove apertium-eng-spa"); nothing for any other pair, or
    // for one whose package is not known.
    virtual std::optional<QString> removeCommand(const QString& source, const QString& target) = 0;
    // Calls `changed` on the GUI thread whenever the installed pairs may have
    // changed (a package added or removed). Replaces an earlier watcher.
    virtual void watchInstalledPairs(std::function<void()> changed) = 0;
};
