#pragma once

#include <QString>
#include <atomic>
#include <httplib.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What a fake service received.
struct RecordedRequest {
    std::string method;
    std::string path;          // without the query
    std::string target;        // as sent, query included and still encoded
    std::multimap<std::string, std::string> params;  // decoded query
    std::multimap<std::string, std::string> headers;
    std::string body;

    std::string header(const std::string& name) const;
    std::string param(const std::string& name) const;
};

// A real HTTP server on 127.0.0.1 standing in for an outside service. Register the
// handlers with Get/Post/..., then start(); every request they serve is recorded,
// body included, before the handler answers.
class FakeHttpServer {
public:
    FakeHttpServer();
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    void Get(const std::string& pattern, httplib::Server::Handler handler);
    void Post(const std::string& pattern, httplib::Server::Handler handler);
    void Put(const std::string& pattern, httplib::Server::Handler handler);
    void Delete(const std::string& pattern, httplib::Server::Handler handler);
    httplib::Server& server() { return server_; }
    void start();
    void stop();

    int port() const { return port_; }
    QString url(const QString& path = {}) const;

    std::vector<RecordedRequest> requests() const;
    size_t requestCount() const;
    void clearRequests();

    // A handler that accepts and never answers (until the server stops).
    httplib::Server::Handler hang();

    // The "Authorization: Basic ..." credentials of a request, decoded as "user:password".
    static std::string basicCredentials(const RecordedRequest& r);

private:
    httplib::Server::Handler recorded(httplib::Server::Handler handler);
    void record(const httplib::Request& req);

    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
};
