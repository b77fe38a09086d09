#pragma once

#include <QProcess>

// A child must not hold the files of this process (the embedded Firebird engine keeps its
// database file locked through an open descriptor): every inherited descriptor above the
// standard three closes at exec. And a server must not outlive a test that crashed.
void closeOnExec(QProcess& p);

// A TCP port on 127.0.0.1 that nobody listens on right now.
int freeLoopbackPort();
// Whether something accepts connections on 127.0.0.1:port.
bool acceptsOnLoopback(int port);
