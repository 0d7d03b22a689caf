#pragma once

#include "engine/ModelFile.h"

#include <QList>
#include <QString>
#include <QUrl>

// Where the dictation model comes from and what it is made of. On Linux the
// recogniser is pocketsphinx with Debian's US English model (pocketsphinx-en-us):
// the table lists the files the engine's recogniser loads, with their sizes in
// that package, and our small "config.json" that marks the folder as a model.
namespace ModelTable {

// The model's folder name, both below "models" in the engine folder and below
// every download base.
inline constexpr auto kModelName = "parakeet-tdt-0.6b-v3-bf16";
// The environment variable naming a download base tried before the project's.
inline constexpr auto kBaseVariable = "BW_MODELS_BASE_URL";

// The file table, in download order.
ModelFiles files();
// The sum of the sizes in `files`.
qint64 totalBytes(const ModelFiles& files);
// MlxServer::engineRoot() + "models/" + kModelName.
QString modelFolder();
// The download bases in the order they are tried: $BW_MODELS_BASE_URL when
// set (even when it is not a valid URL), then the project's base (the
// installed engine distribution folder as a "file:" URL), then the mirror when
// the build names one. Kept as URLs: a folder whose path holds a space or a
// "#" is a valid base only until it is written out as text.
QList<QUrl> bases();
// The installed engine distribution folder: the engine archive and the model
// folder that the project's base serves.
QString distributionFolder();
// The project's own download base, the first built-in one: the distribution
// folder as a "file:" URL.
QUrl projectBase();
// The address of the "/"-separated relative `path` below `base`; an invalid
// URL when `base` is invalid or has no scheme.
QUrl below(const QUrl& base, const QString& path);
// The address of `name` below `base`: below(base, kModelName + "/" + name).
QUrl address(const QUrl& base, const QString& name);

} // namespace ModelTable
