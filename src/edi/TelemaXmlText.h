#pragma once

#include <QString>
#include <QStringList>

// Telema's documents are read as text, element by element: the value of an element is what
// stands between the first start tag of that name and the next end tag of the name after it.
// A nested element is read inside its parent's value. Attributes are passed over; a tag
// counts only when its name ends there, so <Country> is never taken for <CountryCode>.
namespace TelemaXmlText {

// The raw text between the tags, entities still in place; empty when the start tag is not
// there, when the element is written empty (<Name/>) or has no end tag.
QString raw(const QString& text, const QString& name);

// The value with the entities (&amp; &lt; &gt; &apos; &quot; and &#...;) decoded and the
// white space around it removed.
QString value(const QString& text, const QString& name);

// Position of the first start tag of the name, -1 when there is none.
int startTag(const QString& text, const QString& name, int from = 0);

// Every element of the name in turn, as the raw text of each (for the lines of a document).
// Throws ConvertError when a start tag has no end tag.
QStringList elements(const QString& text, const QString& name);

}  // namespace TelemaXmlText
