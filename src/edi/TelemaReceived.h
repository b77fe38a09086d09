#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One entry of the "data" list as Telema sent it.
struct TelemaReceivedDocument {
    QString id;         // for log lines
    QByteArray idJson;  // as it goes back in the feedback: a number bare, a string quoted
    QString xml;        // the decoded document, when error is empty
    QString error;      // why the entry cannot be read
};

namespace TelemaReceived {

// The entries of a data reply {"data": {"documents": [{"id": ..., "document": "..."}]}}, in
// order. An entry that cannot be read carries its error and does not hide the others.
// Throws ConvertError when the reply is not JSON or holds no documents list.
QList<TelemaReceivedDocument> readDataReply(const QByteArray& body);

// The text of a Base64 document: line breaks and blanks are removed, anything else that is
// not Base64 is refused, and the result must be UTF-8 text that starts with a tag.
// Throws ConvertError.
QString decodeDocument(const QByteArray& base64);

// The acknowledgement of one document, one line.
QByteArray feedbackBody(const QByteArray& idJson);

}  // namespace TelemaReceived
