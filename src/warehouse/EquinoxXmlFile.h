#pragma once

#include <QByteArray>
#include <QString>

// One file for the warehouse as lines: UTF-8 with a byte-order mark, CR LF after every
// line (the last one too), the root element "vision" with its namespace on the first line,
// then one list. Each element stands on its own line, indented by its depth in tabs.
class EquinoxXmlFile {
public:
    // Depths of the lines.
    enum Depth { List = 1, Entity = 2, Field = 3, Item = 4, ItemField = 5 };

    EquinoxXmlFile(const QString& xmlNamespace, const char* list);

    void begin(int depth, const char* tag);
    void end(int depth, const char* tag);
    // A field whose value is written as given (keys, numbers, fixed words, cleaned texts).
    void field(int depth, const char* tag, const QString& value);
    // A field holding a text from the database: cleaned first.
    void text(int depth, const char* tag, const QString& value);

    // Ends the list and the root; the file's bytes.
    QByteArray close();
    bool isEmpty() const { return entities_ == 0; }
    int entities() const { return entities_; }

private:
    void indent(int depth);
    void line(int depth, const char* tag, const QString& value, bool clean);

    QByteArray out_;
    QByteArray list_;
    int entities_ = 0;
};
