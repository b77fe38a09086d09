#include "support/FakeHttpServer.h"
#include "support/QtPrinters.h"

#include "net/HttpClient.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

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
