#pragma once

#include "translator/TranslationCatalog.h"

#include <memory>

// A catalogue of `translator`'s languages whose checks run at once on the
// calling thread, with a clock that stands still.
inline std::unique_ptr<TranslationCatalog> inlineCatalog(OnDeviceTranslator& translator,
                                                         std::function<QString()> typeTarget) {
    TranslationCatalog::Services services;
    services.translator = [&translator] { return &translator; };
    services.typeTarget = std::move(typeTarget);
    services.now = [] { return TranslationCatalog::Clock::time_point{}; };
    services.runCheck = [](std::function<TranslationCatalog::Lists()> check) {
        return QtFuture::makeReadyFuture(check());
    };
    return std::make_unique<TranslationCatalog>(services);
}
