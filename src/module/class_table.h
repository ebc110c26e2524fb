// The factory's class table: one row per class the module can build, in the order the factory
// tests them. A row whose class is not built into the module has no create function.
#pragma once

#include "brumo/class_ids.h"
#include "frame/basic_unknown.h"

namespace brumo {

// Builds an object with one reference and hands back its reference-counting IQVUnknown, or null
// when its memory could not be had.
using CreateFunction = TBasicUnknown* (*)();

struct ClassTableRow {
    QVGuid classId;
    CreateFunction create;
};

template <class T>
TBasicUnknown* createInstanceOf() {
    return new T();
}

const ClassTableRow* classTable();

// The first row with that class identifier, or null.
const ClassTableRow* findClass(const QVGuid& classId);

}  // namespace brumo
