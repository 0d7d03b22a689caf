#pragma once

#include <QList>
#include <QString>

// One file of the dictation model: its path below the model folder and its
// exact size in bytes, the only test a downloaded file has to pass.
struct ModelFile {
    QString name;
    qint64 size = 0;

    friend bool operator==(const ModelFile&, const ModelFile&) = default;
};

using ModelFiles = QList<ModelFile>;
