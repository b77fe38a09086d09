#pragma once

#include "EquinoxConnection.h"

struct ExchangeContext;

// The hidden "Test Equinox FTP" button: logs in with the [EquinoxExp] settings and lists the
// warehouse's outbound folder.
class EquinoxTestFtp {
public:
    EquinoxTestFtp(ExchangeContext& context, EquinoxLogin login);

    // True when the listing came back; the names found are logged.
    bool run();

private:
    ExchangeContext& context_;
    EquinoxConnection connection_;
};
