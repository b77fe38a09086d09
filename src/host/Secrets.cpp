#include "Secrets.h"

#include "platform/Registry.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <algorithm>

namespace {

const QString kMask = QStringLiteral("***");

// Short values (a "1", a "0") would mask ordinary text; real secrets are longer.
constexpr int kShortestSecret = 4;

}  // namespace

bool Secrets::isSecretName(const QString& valueName)
{
    static const QRegularExpression secret(QStringLiteral("parol|pasw|passw|secret|token|apikey|api_key"),
                                           QRegularExpression::CaseInsensitiveOption);
    // Only the value's own name counts, not the section it stands in.
    return secret.match(valueName.section(QLatin1Char('/'), -1)).hasMatch();
}

void Secrets::readFrom(Registry& registry)
{
    values_.clear();
    QSettings& s = registry.settings();
    s.sync();
    for (const QString& key : s.allKeys())
        if (isSecretName(key))
            add(s.value(key).toString());
}

void Secrets::add(const QString& value)
{
    const QString v = value.trimmed();
    if (v.size() < kShortestSecret || values_.contains(v))
        return;
    values_ << v;
    // Longest first, so a secret that contains another is masked whole.
    std::sort(values_.begin(), values_.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
}

QString Secrets::mask(const QString& text) const
{
    QString out = text;
    for (const QString& v : values_)
        out.replace(v, kMask);
    static const QRegularExpression named(
        QStringLiteral("((?:password|passwd|pwd|parole|pasword|secret|secretkey|client_secret|token|access_token|"
                       "apikey|api_key)[\"']?\\s*[:=]\\s*[\"']?)([^\\s\"'&;,}]+)"),
        QRegularExpression::CaseInsensitiveOption);
    out.replace(named, QStringLiteral("\\1") + kMask);
    static const QRegularExpression bearer(QStringLiteral("\\b(Bearer|Basic)\\s+[A-Za-z0-9._~+/=-]+"),
                                           QRegularExpression::CaseInsensitiveOption);
    out.replace(bearer, QStringLiteral("\\1 ") + kMask);
    static const QRegularExpression userInfo(QStringLiteral("(://[^/\\s:@]+):[^@\\s/]+@"));
    out.replace(userInfo, QStringLiteral("\\1:") + kMask + QLatin1Char('@'));
    return out;
}

QString Secrets::readableFileWarning(Registry& registry)
{
    const QString path = registry.path();
    const QFileInfo info(path);
    if (!info.exists() || !(info.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)))
        return {};
    QSettings& settings = registry.settings();
    settings.sync();
    const QStringList keys = settings.allKeys();
    const bool holdsSecret = std::any_of(keys.begin(), keys.end(), [&](const QString& key) {
        return isSecretName(key) && !settings.value(key).toString().trimmed().isEmpty();
    });
    if (!holdsSecret)
        return {};
    return QStringLiteral("Konfigurācijas fails ir lasāms citiem lietotājiem: %1").arg(info.absoluteFilePath());
}
