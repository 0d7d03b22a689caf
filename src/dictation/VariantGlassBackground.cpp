#include "dictation/VariantGlassBackground.h"

#include "support/DictationSettings.h"

namespace {
constexpr int kLastPlainVariant = 15;
constexpr int kExtraVariant = 19;
} // namespace

bool VariantGlassBackground::available() { return false; }

int VariantGlassBackground::storedVariant(const Defaults& defaults) {
    return int(DictationSettings::readInteger(defaults, DictationSettings::kGlassVariant));
}

QList<int> VariantGlassBackground::pickerVariants() {
    QList<int> variants;
    for (int v = 0; v <= kLastPlainVariant; ++v)
        variants << v;
    variants << kExtraVariant;
    return variants;
}

void VariantGlassBackground::paint(QPainter&, const QRectF&, int) const {
    // No glass material on this desktop: the content stays as it is.
}
