#include "Errors.h"

QString errorText(const std::exception& e)
{
    if (auto* own = dynamic_cast<const VarnisError*>(&e))
        return own->message();
    return QString::fromUtf8(e.what());
}
