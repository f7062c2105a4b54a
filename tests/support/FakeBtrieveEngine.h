#pragma once

#include "base/TextFormat.h"
#include "platform/BtrieveEngine.h"

#include <QList>
#include <QMap>
#include <QString>

// A data-file engine for tests: records every call and answers the statuses a test
// scripts, per operation and file name (the last part of the path), else 0. An
// open that succeeds hands out a position block naming the call.
class FakeBtrieveEngine final : public BtrieveEngine {
public:
    struct Call {
        qint16 operation = 0;
        QString path;
        quint32 dataLength = 0;
        size_t bufferSize = 0;
        quint8 keyLength = 0;
        qint8 keyNumber = 0;
    };
    QList<Call> calls;
    QMap<QString, qint16> openStatuses; // file name -> status of its opens
    qint16 stopStatus = 0;

    qint16 BTRCALL(qint16 operation, PositionBlock& positionBlock, std::span<char> dataBuffer,
                   quint32& dataLength, std::span<const char> keyBuffer, quint8 keyLength,
                   qint8 keyNumber) override {
        size_t end = 0;
        while (end < keyBuffer.size() && end < keyLength && keyBuffer[end] != '\0') {
            ++end;
        }
        const QString path = fromWindows1252(QByteArray(keyBuffer.data(), qsizetype(end)));
        calls.push_back({operation, path, dataLength, dataBuffer.size(), keyLength, keyNumber});
        if (operation == OpStop) {
            return stopStatus;
        }
        const QString name = path.section(QLatin1Char('\\'), -1);
        const qint16 status = operation == OpOpen ? openStatuses.value(name, 0) : 0;
        if (status == 0 && operation == OpOpen) {
            positionBlock.fill(' ');
            const QByteArray tag = QByteArray::number(calls.size());
            std::copy(tag.begin(), tag.end(), positionBlock.begin());
        }
        return status;
    }

    QStringList paths(qint16 operation) const {
        QStringList out;
        for (const Call& c : calls) {
            if (c.operation == operation) {
                out << c.path;
            }
        }
        return out;
    }
};
