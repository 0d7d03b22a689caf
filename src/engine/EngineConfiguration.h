#pragma once

// The build's configuration of the engine's sources and the texts that name
// the project, kept in this one place.
namespace EngineConfiguration {

// Below the resource folder: the installed engine distribution folder (the
// engine archive and the dictation model), the project's own download base.
inline constexpr auto kDistributionResource = "engine-dist";
// A second download base for the model and the archive; empty: none.
inline constexpr auto kMirrorBase = "";
inline constexpr auto kSupport = "support@quorvane.example";
inline constexpr auto kSite = "https://quorvane.example";

} // namespace EngineConfiguration
