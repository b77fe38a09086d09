#include "MonitoringServer.h"

#include <httplib.h>

#include <cerrno>
#include <cstring>

MonitoringServer::MonitoringServer() = default;

MonitoringServer::~MonitoringServer()
{
    stop();
}

bool MonitoringServer::start(int port, QString* error)
{
    stop();
    auto server = std::make_unique<httplib::Server>();
    auto serve = [this](QByteArray MonitoringServer::*what, const char* type) {
        return [this, what, type](const httplib::Request&, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex_);
            res.set_content(std::string((this->*what).constData(), static_cast<size_t>((this->*what).size())), type);
        };
    };
    server->Get("/status", serve(&MonitoringServer::status_, "application/json; charset=utf-8"));
    server->Get("/metrics", serve(&MonitoringServer::metrics_, "text/plain; version=0.0.4; charset=utf-8"));
    // No SO_REUSEPORT (the library's default): a second host on the same port must fail to
    // bind, not share the port with the first.
    server->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    // Loopback only: the status names the host's exchanges and errors.
    if (port <= 0 || port > 65535 || !server->bind_to_port("127.0.0.1", port)) {
        if (error)
            *error = port <= 0 || port > 65535 ? QStringLiteral("invalid port %1").arg(port)
                                               : QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    server_ = std::move(server);
    port_ = port;
    thread_ = std::thread([s = server_.get()] { s->listen_after_bind(); });
    return true;
}

void MonitoringServer::stop()
{
    if (server_)
        server_->stop();
    if (thread_.joinable())
        thread_.join();
    server_.reset();
}

void MonitoringServer::publish(const QByteArray& statusJson, const QByteArray& metricsText)
{
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = statusJson;
    metrics_ = metricsText;
}
