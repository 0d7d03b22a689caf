#include "looks/ShadeChoice.h"

#include "platform/Wording.h"

ShadeChoice::ShadeChoice(QWidget* parent) : SegmentedChoice(parent) {
    addOption(tr("Cream"), QStringLiteral("cream"));
    addOption(tr("Slate"), QStringLiteral("slate"));
    addOption(Wording::of(tr("Match the Mac")), QStringLiteral("automatic"));
}
