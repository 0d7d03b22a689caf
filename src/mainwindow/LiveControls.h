#pragma once

#include <QString>

class Defaults;
class LiveSettingsControl;
class QWidget;

// The seven settings chosen from picture tiles, each writing only its own key.
// `defaults` must outlive the control.
namespace LiveControls {

inline const QString kPreviewStyle = QStringLiteral("previewStyle");
inline const QString kCardStyle = QStringLiteral("cardStyle");
inline const QString kNumberStyle = QStringLiteral("numberStyle");
inline const QString kAutoCleanLevel = QStringLiteral("autoCleanLevel");
inline const QString kEndWithPeriod = QStringLiteral("endWithPeriod");
inline const QString kAppearance = QStringLiteral("appearance");
inline const QString kSelectionChipEnabled = QStringLiteral("selectionChipEnabled");

// The sentence the Cleanup page shows as what the user says.
inline const QString kCleanupSpoken =
    QStringLiteral("so um I think we should uh probably move the review, move the review to Thursday");

LiveSettingsControl* cardStyle(Defaults& defaults, QWidget* parent = nullptr);
LiveSettingsControl* cardLetters(Defaults& defaults, QWidget* parent = nullptr);
LiveSettingsControl* numbers(Defaults& defaults, QWidget* parent = nullptr);
// `spoken` is only shown in the caption; the samples are fixed.
LiveSettingsControl* autoClean(Defaults& defaults, const QString& spoken, QWidget* parent = nullptr);
LiveSettingsControl* endWithPeriod(Defaults& defaults, QWidget* parent = nullptr);
LiveSettingsControl* appearance(Defaults& defaults, QWidget* parent = nullptr);
LiveSettingsControl* selectionChip(Defaults& defaults, QWidget* parent = nullptr);

} // namespace LiveControls
