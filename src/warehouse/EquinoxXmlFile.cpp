#include "EquinoxXmlFile.h"

#include "platform/XmlTextCleaning.h"

namespace {

const char* const kEol = "\r\n";

}  // namespace

EquinoxXmlFile::EquinoxXmlFile(const QString& xmlNamespace, const char* list) : list_(list)
{
    out_.reserve(1 << 16);
    out_ += "\xEF\xBB\xBF<vision xmlns=\"";
    out_ += XmlTextCleaning::escapeEntities(xmlNamespace).toUtf8();
    out_ += "\">";
    out_ += kEol;
    begin(List, list);
}

void EquinoxXmlFile::indent(int depth)
{
    out_.append(depth, '\t');
}

void EquinoxXmlFile::begin(int depth, const char* tag)
{
    if (depth == Entity)
        ++entities_;
    indent(depth);
    out_ += '<';
    out_ += tag;
    out_ += '>';
    out_ += kEol;
}

void EquinoxXmlFile::end(int depth, const char* tag)
{
    indent(depth);
    out_ += "</";
    out_ += tag;
    out_ += '>';
    out_ += kEol;
}

void EquinoxXmlFile::line(int depth, const char* tag, const QString& value, bool clean)
{
    indent(depth);
    out_ += '<';
    out_ += tag;
    out_ += '>';
    if (clean)
        XmlTextCleaning::appendCleanUtf8(out_, value);
    else
        out_ += value.toUtf8();
    out_ += "</";
    out_ += tag;
    out_ += '>';
    out_ += kEol;
}

void EquinoxXmlFile::field(int depth, const char* tag, const QString& value)
{
    line(depth, tag, value, false);
}

void EquinoxXmlFile::text(int depth, const char* tag, const QString& value)
{
    line(depth, tag, value, true);
}

QByteArray EquinoxXmlFile::close()
{
    end(List, list_.constData());
    out_ += "</vision>";
    out_ += kEol;
    return out_;
}
