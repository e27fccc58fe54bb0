#include "ui/KyText2.h"

#include "core/KyCallback0Param.h"
#include "core/KyLog.h"
#include "core/KySingleton.h"
#include "core/KyXmlDocument.h"
#include "platform/KyCamera.h"
#include "platform/KyRenderer.h"
#include "ui/KyMainWindow.h"
#include "ui/KyTextMarkup.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstdlib>

KyText2::KyText2()
    : m_boxWidth(0),
      m_boxHeight(0),
      m_interline(0.0f),
      m_dirty(true),
      m_visible(true),
      m_listening(false)
{
    addDrawListener();
}

KyText2::~KyText2()
{
    removeDrawListener();
}

f32 KyText2::drawPriority()
{
    return -worldTransformationMatrix().transformPoint(KyVector3f32(0.0f, 0.0f, 0.0f)).z;
}

void KyText2::addDrawListener()
{
    KyMainWindow* window = KySingleton<KyMainWindow>::instance();
    if (!window)
        return;
    window->onDraw().insertByPriority(kyNewCallback(this, &KyText2::draw, drawPriority()));
    m_listening = true;
}

void KyText2::removeDrawListener()
{
    if (!m_listening || !KySingleton<KyMainWindow>::exists())
        return;
    KyCallback0Param<KyText2> listener(this, &KyText2::draw);
    KySingleton<KyMainWindow>::instance()->onDraw().removeCallback(&listener);
    m_listening = false;
}

void KyText2::setPosition(const KyVector3f32& position)
{
    Ky3DObject::setPosition(position);
    removeDrawListener();
    addDrawListener();
}

void KyText2::setText(const KyString& text)
{
    if (text.isEmpty()) {
        m_blocks.clear();
        m_dirty = true;
        return;
    }
    KyXmlDocument document;
    if (!KyTextMarkup::parse(text, document, "KyText2::setText"))
        return;
    setMarkup(document.RootElement()->FirstChild());
}

void KyText2::loadFromXml(const TiXmlElement* element)
{
    if (!element)
        return;
    int visible = 0;
    if (element->QueryIntAttribute("visible", &visible) == TIXML_SUCCESS)
        m_visible = visible != 0;
    double interline = 0.0;
    if (element->QueryDoubleAttribute("interline", &interline) == TIXML_SUCCESS)
        setInterline(f32(interline));
    const TiXmlElement* first = element->FirstChildElement();
    if (first)
        setMarkup(first);
    else
        setText(KyString());
}

void KyText2::setMarkup(const TiXmlNode* first)
{
    KyTextBase block;
    block.setSize(m_boxWidth, m_boxHeight);
    block.setInterline(m_interline);
    if (m_font)
        block.setFont(0, m_font);
    walk(first, block);
    KyTextMarkup::sizeMesh(block);
    if (!block.font() && !block.text.isEmpty())
        logPrint("[KyText2::setText] the text has no font: it is not drawn\n");
    m_blocks.clear();
    m_blocks.pushBack(block);
    m_dirty = true;
}

void KyText2::walk(const TiXmlNode* first, KyTextBase& block)
{
    // Document order without recursion: down into an element's children,
    // else on to the next sibling of the node or of its nearest ancestor
    // that has one, never above the parent of first.
    const TiXmlNode* top = first ? first->Parent() : nullptr;
    const TiXmlNode* node = first;
    while (node) {
        const TiXmlNode* down = nullptr;
        if (const TiXmlText* data = node->ToText()) {
            KyTextMarkup::appendCharacters(block, data->Value());
        } else if (const TiXmlElement* element = node->ToElement()) {
            KyIntrusivePtr<KyFont2> font;
            if (KyTextMarkup::applyElement(*element, block, "KyText2::setText", &font) == KyTextMarkup::Font)
                m_font = font;
            down = element->FirstChild();
        }
        if (down) {
            node = down;
            continue;
        }
        while (node != top && !node->NextSibling())
            node = node->Parent();
        node = node != top ? node->NextSibling() : nullptr;
    }
}

void KyText2::setTextBox(s32 width, s32 height)
{
    m_boxWidth = width;
    m_boxHeight = height;
    m_dirty = true;
    for (KyList<KyTextBase>::iterator it = m_blocks.begin(); it != m_blocks.end(); ++it)
        it->setSize(width, height);
}

void KyText2::setInterline(f32 value)
{
    m_interline = value;
    m_dirty = true;
    for (KyList<KyTextBase>::iterator it = m_blocks.begin(); it != m_blocks.end(); ++it)
        it->setInterline(value);
}

void KyText2::applyLayout()
{
    if (!m_dirty)
        return;
    for (KyList<KyTextBase>::iterator it = m_blocks.begin(); it != m_blocks.end(); ++it) {
        it->setSize(m_boxWidth, m_boxHeight);
        it->rebuild();
    }
    m_dirty = false;
}

KyVector3f32 KyText2::textSize()
{
    s32 width = 0;
    s32 height = 0;
    for (KyList<KyTextBase>::iterator it = m_blocks.begin(); it != m_blocks.end(); ++it) {
        const KyVector2s32 size = it->getSize();
        width = std::max(width, size.x);
        height = std::max(height, size.y);
    }
    return KyVector3f32(f32(width), f32(height), 0.0f);
}

bool KyText2::draw()
{
    if (!m_visible)
        return false;
    applyLayout();
    KyRenderer* renderer = KySingleton<KyRenderer>::instance();
    if (!renderer)
        return false;
    renderer->beginCameraDraw(KyCamera::global());
    const KyVector3f32 origin = worldPosition();
    for (KyList<KyTextBase>::iterator it = m_blocks.begin(); it != m_blocks.end(); ++it) {
        it->setPosition(origin);
        it->draw();
    }
    renderer->color(1.0f, 1.0f, 1.0f, 1.0f);
    renderer->endCameraDraw();
    return false;
}
