// The module exception a call raised. A call that raises none is a test failure, and is
// answered with a code no module operation raises, so that the checks of the code fail too.
#pragma once

#include <gtest/gtest.h>

#include "qv/exception.h"

namespace brumo::test {

constexpr QVResult kNothingRaised = 0x7FFFFFFF;

template <class Call>
TQVException raisedBy(Call&& call) {
    try {
        call();
    } catch (const TQVException& error) {
        return error;
    }
    ADD_FAILURE() << "no exception";
    return TQVException(kNothingRaised, "nothing raised");
}

}  // namespace brumo::test
