#pragma once

// What the floating bubble shows.
enum class BubbleMode { Hidden, Listening, Thinking, Result, Flash };
