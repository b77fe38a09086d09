#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <mutex>
#include <thread>

namespace httplib {
class Server;
}

// [Monitoring] Port: GET /status (JSON) and GET /metrics (Prometheus text) on 127.0.0.1
// only. It serves what the host last published, so a request never waits for an exchange
// that holds the main thread.
class MonitoringServer {
public:
    MonitoringServer();
    ~MonitoringServer();
    MonitoringServer(const MonitoringServer&) = delete;
    MonitoringServer& operator=(const MonitoringServer&) = delete;

    // False with the reason when the port cannot be bound (in use, not allowed).
    bool start(int port, QString* error);
    void stop();
    bool isRunning() const { return thread_.joinable(); }
    int port() const { return port_; }

    void publish(const QByteArray& statusJson, const QByteArray& metricsText);

private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    QByteArray status_;
    QByteArray metrics_;
};
