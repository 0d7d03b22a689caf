#pragma once

#include "reader/VoiceAudition.h"

#include <QCoreApplication>
#include <QPromise>

#include <memory>
#include <vector>

// A reader whose readings end when the test says so: every speak call is
// recorded with a promise the test finishes.
struct FakeSpeech {
    struct Reading {
        QString text;
        QString voice;
        std::unique_ptr<QPromise<void>> done;
    };
    std::vector<Reading> readings;

    VoiceAudition::Speak speak() {
        return [this](const QString& text, const QString& voice) {
            auto promise = std::make_unique<QPromise<void>>();
            promise->start();
            QFuture<void> future = promise->future();
            readings.push_back({text, voice, std::move(promise)});
            return future;
        };
    }

    // Ends reading `index` and lets its continuation run.
    void finish(std::size_t index) {
        readings.at(index).done->finish();
        settle();
    }

    static void settle() {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
};
