#include "FtpClient.h"

#include "HttpClient.h"

#include <algorithm>
#include <cstring>
#include <curl/curl.h>
#include <mutex>

namespace {

void globalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t collect(char* data, size_t size, size_t count, void* target)
{
    static_cast<QByteArray*>(target)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

struct Source {
    const QByteArray* data = nullptr;
    qsizetype offset = 0;
};

size_t feed(char* buffer, size_t size, size_t count, void* source)
{
    auto* s = static_cast<Source*>(source);
    const qsizetype n = std::min<qsizetype>(static_cast<qsizetype>(size * count), s->data->size() - s->offset);
    if (n <= 0)
        return 0;
    memcpy(buffer, s->data->constData() + s->offset, static_cast<size_t>(n));
    s->offset += n;
    return static_cast<size_t>(n);
}

}  // namespace

// A path goes into a command line of its own: a line break would start another command.
// The commands go before libcurl changes folders, while the session may still stand in the
// folder of the last transfer, so a relative path is made absolute from the login folder.
QByteArray FtpClient::commandPath(const QString& path)
{
    if (path.contains(QLatin1Char('\r')) || path.contains(QLatin1Char('\n')))
        throw NetError(QStringLiteral("FTP path with a line break: %1").arg(path.simplified()));
    if (path.startsWith(QLatin1Char('/')))
        return path.toUtf8();
    if (!connected_ || entryPath_.isEmpty())
        connect();
    QString absolute = entryPath_;
    if (!absolute.endsWith(QLatin1Char('/')))
        absolute += QLatin1Char('/');
    return (absolute + path).toUtf8();
}

// One request on the control connection: what to fetch, send or tell the server.
struct FtpClient::Transfer {
    QString path = QStringLiteral("/");
    bool noBody = false;
    bool listOnly = false;
    bool createDirs = false;
    const QByteArray* upload = nullptr;
    QByteArray received;
    QList<QByteArray> commands;   // sent after the login, before any transfer
};

FtpClient::FtpClient() = default;

FtpClient::~FtpClient()
{
    disconnect();
}

QString FtpClient::url(const QString& path) const
{
    // A leading "/" is the server's root, not the login directory: libcurl takes "%2F" for it.
    QString u = QStringLiteral("ftp://%1:%2/").arg(settings_.host).arg(settings_.port);
    QString rest = path;
    if (rest.startsWith(QLatin1Char('/'))) {
        rest.remove(0, 1);
        if (!rest.isEmpty())
            u += QStringLiteral("%2F");
    }
    const QStringList parts = rest.split(QLatin1Char('/'));
    QStringList encoded;
    for (const QString& p : parts)
        encoded << HttpClient::encode(p);
    return u + encoded.join(QLatin1Char('/'));
}

void FtpClient::perform(Transfer& t)
{
    globalInit();
    if (!curl_)
        curl_ = curl_easy_init();
    CURL* curl = static_cast<CURL*>(curl_);
    if (!curl)
        throw NetError(QStringLiteral("Cannot start an FTP request"));
    // A reset keeps the open connection; only the options start afresh.
    curl_easy_reset(curl);

    char errorBuffer[CURL_ERROR_SIZE] = {0};
    const QByteArray address = url(t.path).toUtf8();
    const QByteArray user = settings_.user.toUtf8();
    const QByteArray password = settings_.password.toUtf8();
    const QByteArray caFile = settings_.caFile.toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings_.connectTimeoutMs));
    const long readSeconds = std::max(1, settings_.readTimeoutMs / 1000);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, readSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, readSeconds);
    curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, 0L);
    if (!settings_.passive)
        curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
    if (settings_.explicitTls) {
        curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        curl_easy_setopt(curl, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, settings_.verifyPeer ? 1L : 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, settings_.verifyPeer ? 2L : 0L);
        if (!caFile.isEmpty())
            curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
    } else {
        curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_NONE));
    }

    curl_slist* quote = nullptr;
    for (const QByteArray& c : t.commands)
        quote = curl_slist_append(quote, c.constData());
    if (quote)
        curl_easy_setopt(curl, CURLOPT_QUOTE, quote);
    if (t.noBody)
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    if (t.listOnly)
        curl_easy_setopt(curl, CURLOPT_DIRLISTONLY, 1L);
    if (t.createDirs)
        curl_easy_setopt(curl, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR));
    Source source;
    if (t.upload) {
        source.data = t.upload;
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, feed);
        curl_easy_setopt(curl, CURLOPT_READDATA, &source);
        curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(t.upload->size()));
    } else {
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t.received);
    }

    const CURLcode rc = curl_easy_perform(curl);
    curl_slist_free_all(quote);
    char* entry = nullptr;
    if (rc == CURLE_OK && curl_easy_getinfo(curl, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry)
        entryPath_ = QString::fromUtf8(entry);
    if (rc != CURLE_OK) {
        const QString detail = errorBuffer[0] ? QString::fromUtf8(errorBuffer) : QString::fromUtf8(curl_easy_strerror(rc));
        // The session may be broken half-way; the next call starts a fresh one.
        disconnect();
        throw NetError(QStringLiteral("%1 (%2:%3)").arg(detail, settings_.host).arg(settings_.port));
    }
}

void FtpClient::connect()
{
    disconnect();
    Transfer t;
    t.noBody = true;
    perform(t);
    connected_ = true;
}

void FtpClient::disconnect()
{
    if (curl_)
        curl_easy_cleanup(static_cast<CURL*>(curl_));
    curl_ = nullptr;
    connected_ = false;
    entryPath_.clear();
}

QStringList FtpClient::list(const QString& dir)
{
    Transfer t;
    t.path = dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
    t.listOnly = true;
    perform(t);
    connected_ = true;
    QStringList names;
    for (const QByteArray& raw : t.received.split('\n')) {
        QString name = QString::fromUtf8(raw).trimmed();
        // Some servers answer NLST with the directory in front of each name.
        name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
        if (!name.isEmpty() && name != QLatin1String(".") && name != QLatin1String(".."))
            names << name;
    }
    return names;
}

QByteArray FtpClient::download(const QString& path)
{
    Transfer t;
    t.path = path;
    perform(t);
    connected_ = true;
    return t.received;
}

void FtpClient::upload(const QString& path, const QByteArray& data, bool createDirs)
{
    Transfer t;
    t.path = path;
    t.upload = &data;
    t.createDirs = createDirs;
    perform(t);
    connected_ = true;
}

void FtpClient::remove(const QString& path)
{
    Transfer t;
    t.noBody = true;
    t.commands << "DELE " + commandPath(path);
    perform(t);
    connected_ = true;
}

void FtpClient::rename(const QString& from, const QString& to)
{
    Transfer t;
    t.noBody = true;
    t.commands << "RNFR " + commandPath(from) << "RNTO " + commandPath(to);
    perform(t);
    connected_ = true;
}

void FtpClient::makeDir(const QString& dir)
{
    Transfer t;
    t.noBody = true;
    t.commands << "MKD " + commandPath(dir);
    perform(t);
    connected_ = true;
}
