#pragma once

#include <QString>

// A failure inside the program: the product's error domain, a small code and a
// message the user can read.
struct QuorvaneError {
    static constexpr const char* domain = "Quorvane";

    int code = 0;
    QString message;

    QString localizedDescription() const { return message; }
    bool operator==(const QuorvaneError&) const = default;
};
