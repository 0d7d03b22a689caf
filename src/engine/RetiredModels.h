#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class Defaults;

// Deletes, once per user, the models the program no longer uses from the shared
// model hub cache, and notes what it removed in the engine log.
namespace RetiredModels {

// Hub-cache folder names of the retired models.
const QStringList& retired();

// The hub cache: $HF_HUB_CACHE when set and not empty, else $HF_HOME/hub when
// that is set and not empty, else <home>/.cache/huggingface/hub.
QString hubCache(const QProcessEnvironment& environment, const QString& home);

// Removes the retired models from `cache` unless "retiredModelsCleaned.v1" is
// set, then sets it, also when a removal failed.
void run(const QString& cache, Defaults& defaults);

} // namespace RetiredModels
