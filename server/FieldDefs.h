#pragma once

#include "orv/Field.h"

#include <QString>

// Short names for the field definitions of the packets the repository reads write.
namespace server::defs {

inline orv::FieldDef S(const char* name, int size) { return {QString::fromLatin1(name), orv::FieldType::String, size}; }
inline orv::FieldDef F(const char* name) { return {QString::fromLatin1(name), orv::FieldType::Float, 0}; }
inline orv::FieldDef D(const char* name) { return {QString::fromLatin1(name), orv::FieldType::DateTime, 0}; }

}  // namespace server::defs
