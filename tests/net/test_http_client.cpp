#include "support/FakeHttpServer.h"
#include "support/QtPrinters.h"

#include "net/HttpClient.h"

#include <QElapsedTimer>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

TEST(HttpClient, SendsMethodHeadersBodyAndBasicCredentials)
{
    FakeHttpServer fake;
    fake.Post("/api/data", [](const httplib::Request&, httplib::Response& res) {
        res.status = 201;
        res.set_header("X-Answer", "42");
        res.set_content(R"({"ok":"jā"})", "application/json");
    });
    fake.start();

    HttpRequest r;
    r.method = "POST";
    r.url = fake.url("/api/data?filter=" + HttpClient::encode("PDOK = 'A B' & ā"));
    r.headers = {{"Accept", "application/json"}, {"Content-Type", "application/json"}};
    r.body = R"({"x":1})";
    r.user = "lietotājs";
    r.password = "p:ss";
    const HttpResponse res = HttpClient().send(r);

    EXPECT_EQ(res.status, 201);
    EXPECT_EQ(res.text(), QStringLiteral(R"({"ok":"jā"})"));
    EXPECT_EQ(res.header("x-answer"), "42");
    ASSERT_EQ(fake.requestCount(), 1u);
    const RecordedRequest got = fake.requests().front();
    EXPECT_EQ(got.method, "POST");
    EXPECT_EQ(got.path, "/api/data");
    EXPECT_EQ(got.param("filter"), "PDOK = 'A B' & ā");
    EXPECT_EQ(got.header("Accept"), "application/json");
    EXPECT_EQ(got.body, R"({"x":1})");
    EXPECT_EQ(FakeHttpServer::basicCredentials(got), "lietotājs:p:ss");
}

TEST(HttpClient, ErrorStatusesAreAnswersNotFailures)
{
    FakeHttpServer fake;
    fake.Get("/x", [](const httplib::Request&, httplib::Response& res) {
        res.status = 500;
        res.set_content("Internal", "text/plain");
    });
    fake.start();
    const HttpResponse res = HttpClient().get(fake.url("/x"));
    EXPECT_EQ(res.status, 500);
    EXPECT_EQ(res.text(), "Internal");
}

TEST(HttpClient, TransportFailuresThrow)
{
    int freePort = 0;
    {
        FakeHttpServer probe;
        probe.start();
        freePort = probe.port();
    }
    EXPECT_THROW(HttpClient().get(QStringLiteral("http://127.0.0.1:%1/").arg(freePort)), NetError);

    FakeHttpServer silent;
    silent.Get("/slow", silent.hang());
    silent.start();
    HttpRequest r;
    r.url = silent.url("/slow");
    r.timeoutMs = 300;
    QElapsedTimer t;
    t.start();
    EXPECT_THROW(HttpClient().send(r), NetError);
    EXPECT_LT(t.elapsed(), 5000);
}

// The read time-out is a wait for the next byte, not a cap on the whole reply.
TEST(HttpClient, ReadTimeOutIsAWaitForTheNextByte)
{
    struct Case {
        const char* name;
        int chunks;        // bytes sent, one every intervalMs
        int intervalMs;
        bool stallAfter;   // then silence until the call gives up
        int timeoutMs;
        int totalTimeoutMs;
        bool arrives;
    };
    const Case cases[] = {
        {"a slow reply that keeps coming arrives whole", 8, 200, false, 700, 30000, true},
        {"a reply that stops half way ends the call", 3, 50, true, 700, 30000, false},
        {"the overall cap ends a trickle", 40, 100, false, 700, 1200, false},
    };
    for (const Case& c : cases) {
        FakeHttpServer fake;
        fake.Get("/slow", [&c](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [&c](size_t offset, httplib::DataSink& sink) {
                if (offset < static_cast<size_t>(c.chunks)) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(c.intervalMs));
                    return sink.write("x", 1);
                }
                if (c.stallAfter)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
                sink.done();
                return true;
            });
        });
        fake.start();
        HttpRequest r;
        r.url = fake.url("/slow");
        r.timeoutMs = c.timeoutMs;
        r.totalTimeoutMs = c.totalTimeoutMs;
        QElapsedTimer t;
        t.start();
        if (c.arrives) {
            HttpResponse res;
            EXPECT_NO_THROW(res = HttpClient().send(r)) << c.name;
            EXPECT_EQ(res.body, QByteArray(c.chunks, 'x')) << c.name;
            EXPECT_GT(t.elapsed(), c.timeoutMs) << c.name;  // longer in all than the read time-out
        } else {
            EXPECT_THROW(HttpClient().send(r), NetError) << c.name;
            EXPECT_LT(t.elapsed(), 3500) << c.name;
        }
    }
}
