#pragma once

#include <QString>
#include <QStringList>

class Defaults;

// Deletes, once per user, the models the program no longer uses from its own
// models folder, and notes what it removed in the engine log. The shared model
// hub cache of other tools is never touched: this build downloads nothing
// there, so nothing in it is the program's to delete.
namespace RetiredModels {

// Folder names of the retired models.
const QStringList& retired();

// Where the program keeps the models it downloads: the engine folder's "models".
QString modelsFolder();

// Removes the retired models from `folder` unless "retiredModelsCleaned.v1" is
// set, then sets it, also when a removal failed.
void run(const QString& folder, Defaults& defaults);

} // namespace RetiredModels
