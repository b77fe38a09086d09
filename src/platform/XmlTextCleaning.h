#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Database text on its way into an element of an XML file sent out (warehouse files,
// EDI documents). The receivers' readers choke on some characters, so those become
// blanks first; then the five XML specials are escaped, "&" before the others so that
// the entities just written are not escaped again.
namespace XmlTextCleaning {

// Every character of !@#$%^*;|\=_{}[] and the left single quotation mark U+2018 becomes a
// blank; then & < > ' " become &amp; &lt; &gt; &apos; &quot;.
QString clean(const QString& text);

// clean() appended to a UTF-8 buffer, for writers of large files.
void appendCleanUtf8(QByteArray& out, QStringView text);

// The blanking step alone.
QString blankSpecials(const QString& text);
// The escaping step alone.
QString escapeEntities(const QString& text);

}  // namespace XmlTextCleaning
