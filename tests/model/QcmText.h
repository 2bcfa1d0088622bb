#pragma once

#include "model/QcmFile.h"

#include <initializer_list>

// Lines as the writer ends them.
inline QByteArray Lines(std::initializer_list<const char*> lines) {
    QByteArray out;
    for (const char* line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

inline qcm::model::TQuestionnaire Parse(const QByteArray& bytes) {
    return qcm::model::ParseQCM(bytes);
}
