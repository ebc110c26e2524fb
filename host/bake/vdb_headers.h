// OpenVDB's headers, for the code that uses the library directly. The library and the program
// must share the static members of its templates (the grid and tree type names): a program built
// with hidden visibility would keep copies of its own that the library never initialises, and
// openvdb::initialize() would crash. So the headers are read with default visibility.
#pragma once

#pragma GCC visibility push(default)
#include <openvdb/io/File.h>
#include <openvdb/openvdb.h>
#pragma GCC visibility pop
