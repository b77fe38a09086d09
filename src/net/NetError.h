#pragma once

#include "platform/Errors.h"

// A transport failure: no connection, time-out, TLS failure, a refused login or command.
// HTTP error statuses are not errors.
class NetError : public VarnisError {
    using VarnisError::VarnisError;
};
