#pragma once

#include <QFuture>
#include <QString>

#include <optional>

// Translates text on this computer, with no network service. Language codes
// are BCP 47 tags ("en", "pt-BR").
class OnDeviceTranslator {
public:
    // Whether a language pair can be used now, can be once its data is
    // installed, or cannot be at all.
    enum class PairStatus { Installed, Supported, Unsupported };

    virtual ~OnDeviceTranslator() = default;
    // True when the translator is installed with at least one language pair.
    virtual bool isAvailable() = 0;
    virtual PairStatus status(const QString& source, const QString& target) = 0;
    // The translation of `text`, or nothing when the pair is not installed or
    // the translation failed or took too long. The work runs off the calling
    // thread; the future may finish on another thread.
    virtual QFuture<std::optional<QString>> translate(const QString& text, const QString& source,
                                                      const QString& target) = 0;
};
