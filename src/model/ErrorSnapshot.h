#pragma once

#include <QString>
#include <QtGlobal>

// The last trapped error, written just before the report reads it.
struct ErrorSnapshot {
    qint32 PbLErreurNumero = 0;
    qint32 PbLErreurLigne = 0;
    QString PbSErreurDescription;
    QString PbSErreurSource;
};
