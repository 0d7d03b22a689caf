#pragma once

// An arrow-key move of a picker's cursor.
enum class MoveDirection { Up, Down, Left, Right };
