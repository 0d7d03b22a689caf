#include "platform/linux/LinuxMotionSetting.h"

#include "platform/linux/GnomeAnimationSetting.h"
#include "platform/linux/KdeAnimationSetting.h"
#include "platform/linux/XSettingsAnimationSetting.h"

namespace {

std::vector<std::unique_ptr<AnimationSource>> desktopSources() {
    std::vector<std::unique_ptr<AnimationSource>> sources;
    sources.push_back(std::make_unique<GnomeAnimationSetting>());
    sources.push_back(std::make_unique<KdeAnimationSetting>());
    sources.push_back(std::make_unique<XSettingsAnimationSetting>());
    return sources;
}

bool reducedBy(const std::vector<std::unique_ptr<AnimationSource>>& sources) {
    for (const auto& source : sources)
        if (const std::optional<bool> enabled = source->animationsEnabled())
            return !*enabled;
    return false;
}

} // namespace

LinuxMotionSetting::LinuxMotionSetting() : LinuxMotionSetting(desktopSources()) {}

LinuxMotionSetting::LinuxMotionSetting(std::vector<std::unique_ptr<AnimationSource>> sources)
    : m_sources(std::move(sources)), m_reduced(reducedBy(m_sources)) {
    for (const auto& source : m_sources)
        connect(source.get(), &AnimationSource::changed, this, [this] {
            const bool reduced = reducedBy(m_sources);
            if (reduced == m_reduced)
                return;
            m_reduced = reduced;
            emit changed();
        });
}

LinuxMotionSetting::~LinuxMotionSetting() = default;

bool LinuxMotionSetting::reducesMotion() const { return m_reduced; }
