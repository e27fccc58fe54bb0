#include "ui/KyTextLayout.h"

#include "core/KyLog.h"
#include "core/KyMatrix4x4.h"
#include "core/KySingleton.h"
#include "core/KyXmlDocument.h"
#include "ui/KyMainWindow.h"
#include "ui/KyTextMarkup.h"

#include <GL/gl.h>
#include <tinyxml.h>

#include <cmath>

namespace {

f32 axisLength(const KyMatrix4x4& m, const KyVector3f32& axis)
{
    return (m.transformPoint(axis) - m.transformPoint(KyVector3f32(0.0f, 0.0f, 0.0f))).length();
}

} // namespace

KyTextLayout::KyTextLayout()
{
}

KyTextLayout::~KyTextLayout()
{
}

void KyTextLayout::setText(const KyString& description)
{
    if (description.isEmpty()) {
        clear();
        return;
    }
    KyXmlDocument document;
    if (!KyTextMarkup::parse(description, document, "KyTextLayout::setText"))
        return;

    clear();
    const TiXmlElement* first = document.RootElement()->FirstChildElement();
    for (const TiXmlNode* node = first; node; node = node->NextSibling()) {
        if (const TiXmlElement* element = node->ToElement())
            KyTextMarkup::applyElement(*element, textBase, "KyTextLayout::setText");
        else if (const TiXmlText* data = node->ToText())
            KyTextMarkup::appendCharacters(textBase, data->Value());
    }
    KyTextMarkup::sizeMesh(textBase);
    if (!textBase.text.isEmpty() && !textBase.font())
        logPrint("[KyTextLayout::setText] the text has no font: it is not drawn\n");
    updateSize();
}

void KyTextLayout::setInterline(f32 value)
{
    textBase.setInterline(value);
}

void KyTextLayout::clear()
{
    textBase.clearText();
    textBase.clearStyles();
}

void KyTextLayout::setColor(const KyColor& color)
{
    KyLayout::setColor(color);
    textBase.setDefaultColor(worldColor());
}

bool KyTextLayout::onParentWorldColorChanged()
{
    KyLayout::onParentWorldColorChanged();
    textBase.setDefaultColor(worldColor());
    return false;
}

void KyTextLayout::updateSize()
{
    if (m_sizeType == Pixel) {
        const KyVector3f32 v = m_rotation.toMatrix().transformPoint(m_userSize);
        m_size = KyVector3f32(std::fabs(v.x), std::fabs(v.y), std::fabs(v.z));
        m_scale = m_size;
    } else if (m_sizeType == Percent) {
        m_scale = m_userSize;
    }
    updateWorldMatrix();

    const f32 width = axisLength(m_worldMatrix, KyVector3f32(1.0f, 0.0f, 0.0f));
    const f32 height = axisLength(m_worldMatrix, KyVector3f32(0.0f, 1.0f, 0.0f));
    textBase.dirty = true;
    textBase.boxWidth = std::isfinite(width) && width < 2147483647.0f ? s32(width) : 0;
    textBase.boxHeight = std::isfinite(height) && height < 2147483647.0f ? s32(height) : 0;
    textBase.rebuild();

    if (m_sizeType == Pixel)
        m_scale.y = f32(textBase.textHeight);
    else if (m_sizeType == Percent && height > 0.0f)
        m_scale.y = f32(textBase.textHeight) / height;
    updateWorldMatrix();
}

f32 KyTextLayout::snap(f32 value, f32 windowSize)
{
    const f32 whole = std::floor(value + 0.5f);
    const f64 pixels = std::trunc(f64(windowSize));
    return std::fmod(pixels, 2.0) != 0.0 ? whole + 0.5f : whole;
}

KyMatrix4x4 KyTextLayout::textMatrix()
{
    KyMatrix4x4 parentMatrix;
    if (m_parent)
        parentMatrix = m_parent->worldTransformationMatrix();
    const KyVector3f32 origin = parentMatrix.transformPoint(m_position - KyVector3f32(0.5f, 0.5f, 0.5f));
    const KyVector3f32 s = size();
    const KyVector3f32 corner(m_anchor.x * s.x, m_anchor.y * s.y, m_anchor.z * s.z);

    KyMatrix4x4 m;
    m.translate(origin);
    m = m * worldRotation().toMatrix();
    m.translate(KyVector3f32(-corner.x, -corner.y, -corner.z));
    KyVector3f32 window(0.0f, 0.0f, 0.0f);
    if (KyMainWindow* main = KySingleton<KyMainWindow>::instance())
        window = main->size();
    m.m[12] = snap(m.m[12], window.x);
    m.m[13] = snap(m.m[13], window.y);
    return m;
}

bool KyTextLayout::draw()
{
    if (visible() && worldVisible()) {
        updateLayout();
        const KyMatrix4x4 m = textMatrix();
        glPushMatrix();
        glLoadMatrixf(m.data());
        textBase.draw();
        glPopMatrix();
        KyLayout::draw();
    }
    return false;
}
