#pragma once

#include "cleanup/CleanupEngine.h"
#include "cleanup/ModeStore.h"
#include "engine/LlmServer.h"
#include "phonelink/PhoneInbox.h"
#include "support/Defaults.h"
#include "support/TempFolder.h"

#include <functional>

// The phone inbox of the phone link benchmarks: on its file in a folder of its
// own, knowing the one phone `phone`, with no alerts and a polish pass that
// answers nothing at once.
struct BenchInbox {
    explicit BenchInbox(const QString& phone)
        : defaults(folder.file(QStringLiteral("defaults.json"))), modes(knowing(defaults, phone)),
          cleanup(defaults, LlmServer::shared()), services{&defaults,
                                                           &modes,
                                                           [](const Alert&, std::function<void(int)>) {},
                                                           [](const QString&, const DictationMode&) {
                                                               return QtFuture::makeReadyFuture(QString());
                                                           },
                                                           {},
                                                           {}},
          inbox(folder.file(PhoneInbox::kFileName), cleanup, services) {}

    // `defaults` once it knows `phone`.
    static Defaults& knowing(Defaults& defaults, const QString& phone) {
        defaults.set(PhoneInbox::kKnownPhonesKey, QStringList{phone});
        return defaults;
    }

    TempFolder folder;
    Defaults defaults;
    ModeStore modes;
    CleanupEngine cleanup;
    PhoneInbox::Services services;
    PhoneInbox inbox;
};
