// TQVObject: the empty root of every module object. Its class-level new and delete (inherited
// from the SDK's TQVObject0) go through the host's memory service; a failed allocation yields
// null and no constructor runs, and a constructor that throws gives the memory back.
#pragma once

#include "qv/object.h"

class TQVObject : public TQVObject0 {};
