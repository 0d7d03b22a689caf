#pragma once

#include <QString>

// The names the translation texts give the double-tap keys, from the stored
// key setting ("leftControl"), in this desktop's wording. Pure, any thread.
namespace DoubleTapKeyLabel {

// What a stored text that names no key is called.
enum class Fallback { TheKey, TheOtherKey };

QString of(const QString& storedKey, Fallback fallback = Fallback::TheKey);

} // namespace DoubleTapKeyLabel
