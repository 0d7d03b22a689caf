#pragma once

#include "platform/PrimarySelection.h"

#include <QFuture>

// A primary selection a test sets; `reads` counts the look-ups.
class FakePrimarySelection : public PrimarySelection {
public:
    QFuture<std::optional<Owned>> read() override {
        ++reads;
        return QtFuture::makeReadyFuture(selection);
    }

    std::optional<Owned> selection;
    int reads = 0;
};
