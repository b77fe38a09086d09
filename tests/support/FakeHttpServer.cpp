#include "FakeHttpServer.h"

#include <QByteArray>
#include <chrono>

std::string RecordedRequest::header(const std::string& name) const
{
    for (const auto& [k, v] : headers)
        if (QByteArray::fromStdString(k).compare(QByteArray::fromStdString(name), Qt::CaseInsensitive) == 0)
            return v;
    return {};
}

std::string RecordedRequest::param(const std::string& name) const
{
    const auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

FakeHttpServer::FakeHttpServer() = default;

void FakeHttpServer::record(const httplib::Request& req)
{
    RecordedRequest r;
    r.method = req.method;
    r.path = req.path;
    r.target = req.target;
    for (const auto& [k, v] : req.params)
        r.params.emplace(k, v);
    for (const auto& [k, v] : req.headers)
        r.headers.emplace(k, v);
    r.body = req.body;
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(std::move(r));
}

httplib::Server::Handler FakeHttpServer::recorded(httplib::Server::Handler handler)
{
    return [this, handler](const httplib::Request& req, httplib::Response& res) {
        record(req);
        handler(req, res);
    };
}

void FakeHttpServer::Get(const std::string& pattern, httplib::Server::Handler handler)
{
    server_.Get(pattern, recorded(std::move(handler)));
}

void FakeHttpServer::Post(const std::string& pattern, httplib::Server::Handler handler)
{
    server_.Post(pattern, recorded(std::move(handler)));
}

void FakeHttpServer::Put(const std::string& pattern, httplib::Server::Handler handler)
{
    server_.Put(pattern, recorded(std::move(handler)));
}

void FakeHttpServer::Delete(const std::string& pattern, httplib::Server::Handler handler)
{
    server_.Delete(pattern, recorded(std::move(handler)));
}

FakeHttpServer::~FakeHttpServer()
{
    stop();
}

void FakeHttpServer::start()
{
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void FakeHttpServer::stop()
{
    stopping_ = true;
    if (thread_.joinable()) {
        server_.stop();
        thread_.join();
    }
}

QString FakeHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
}

std::vector<RecordedRequest> FakeHttpServer::requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

size_t FakeHttpServer::requestCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_.size();
}

void FakeHttpServer::clearRequests()
{
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

httplib::Server::Handler FakeHttpServer::hang()
{
    return [this](const httplib::Request&, httplib::Response& res) {
        while (!stopping_)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        res.status = 503;
    };
}

std::string FakeHttpServer::basicCredentials(const RecordedRequest& r)
{
    const std::string auth = r.header("Authorization");
    if (auth.rfind("Basic ", 0) != 0)
        return {};
    return QByteArray::fromBase64(QByteArray::fromStdString(auth.substr(6))).toStdString();
}
