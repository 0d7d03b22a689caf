#pragma once

#include <QString>

#include <chrono>

class AppState;
class BubbleControl;

// Shows `message` in the bubble's flash look for `shown` and says it to
// assistive technology. Without a bubble the state alone carries it.
void flashMessage(AppState& state, BubbleControl* bubble, const QString& message, std::chrono::milliseconds shown);
