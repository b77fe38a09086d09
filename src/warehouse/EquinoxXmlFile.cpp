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
    static const char tabs[] = "\t\t\t\t\t\t\t\t";
    out_.append(tabs, qMin(depth, 8));
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
    if (clean) {
        XmlTextCleaning::appendCleanUtf8(out_, value);
    } else {
        // Keys, numbers and fixed words: plain ASCII as a rule.
        qsizetype ascii = 0;
        while (ascii < value.size() && value.at(ascii).unicode() < 0x80)
            ++ascii;
        const qsizetype start = out_.size();
        out_.resize(start + ascii);
        char* p = out_.data() + start;
        for (qsizetype i = 0; i < ascii; ++i)
            p[i] = static_cast<char>(value.at(i).unicode());
        if (ascii < value.size())
            out_ += QStringView(value).mid(ascii).toUtf8();
    }
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
