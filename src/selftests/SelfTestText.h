#pragma once

#include <QRectF>
#include <QString>

#include <optional>

// The plain-text forms the developer self-tests write, and their one writer.
// Scripts compare these texts, so each form is fixed here once.
namespace SelfTestText {

// "true" or "false".
QString boolean(bool value);
// The shortest text that reads back as the same value, always with a decimal
// point or an exponent: "0.0", "1280.0", "0.61234", "1e-05".
QString decimal(double value);
QString decimal(float value);
// "(x, y, w, h)" in the global coordinates scripts expect, whose origin is the
// bottom-left corner of the primary screen with y growing upward; "none" for
// no rectangle. `rect` is in the desktop's top-left coordinates.
QString rect(const std::optional<QRectF>& rect);
// "%.1f".
QString oneDecimal(double value);

// Replaces the file at `path` (relative to the working folder) with `text` in
// UTF-8, whole and atomically; a failure is only logged.
void write(const QString& path, const QString& text);

} // namespace SelfTestText
