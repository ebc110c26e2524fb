// Registry form of identifiers: {0123ABCD-0123-0123-0123-0123456789AB}.
#pragma once

#include <cstdio>
#include <string>

#include "qv/guid.h"

namespace brumo::host {

inline std::string guidText(const QVGuid& id) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(id.data1), static_cast<unsigned>(id.data2),
                  static_cast<unsigned>(id.data3), id.data4[0], id.data4[1], id.data4[2],
                  id.data4[3], id.data4[4], id.data4[5], id.data4[6], id.data4[7]);
    return text;
}

}  // namespace brumo::host
