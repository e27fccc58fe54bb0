#include "ui/KyButtonMargins.h"

#include <tinyxml.h>

namespace {

void readMargin(TiXmlElement* element, const char* name, f32& margin)
{
    if (TiXmlElement* child = element->FirstChildElement(name))
        child->QueryFloatAttribute("value", &margin);
}

} // namespace

namespace KyButtonMargins {

void read(TiXmlElement* element, f32& left, f32& right, f32& bottom, f32& top)
{
    readMargin(element, "leftMargin", left);
    readMargin(element, "rightMargin", right);
    readMargin(element, "bottomMargin", bottom);
    readMargin(element, "topMargin", top);
}

} // namespace KyButtonMargins
